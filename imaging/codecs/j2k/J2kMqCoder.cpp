#include "J2kMqCoder.h"

constexpr J2kMqState kJ2kMqStates[47] = {
    {0x5601, 1, 1, 1},   {0x3401, 2, 6, 0},   {0x1801, 3, 9, 0},   {0x0AC1, 4, 12, 0},
    {0x0521, 5, 29, 0},  {0x0221, 38, 33, 0}, {0x5601, 7, 6, 1},   {0x5401, 8, 14, 0},
    {0x4801, 9, 14, 0},  {0x3801, 10, 14, 0}, {0x3001, 11, 17, 0}, {0x2401, 12, 18, 0},
    {0x1C01, 13, 20, 0}, {0x1601, 29, 21, 0}, {0x5601, 15, 14, 1}, {0x5401, 16, 14, 0},
    {0x5101, 17, 15, 0}, {0x4801, 18, 16, 0}, {0x3801, 19, 17, 0}, {0x3401, 20, 18, 0},
    {0x3001, 21, 19, 0}, {0x2801, 22, 19, 0}, {0x2401, 23, 20, 0}, {0x2201, 24, 21, 0},
    {0x1C01, 25, 22, 0}, {0x1801, 26, 23, 0}, {0x1601, 27, 24, 0}, {0x1401, 28, 25, 0},
    {0x1201, 29, 26, 0}, {0x1101, 30, 27, 0}, {0x0AC1, 31, 28, 0}, {0x09C1, 32, 29, 0},
    {0x08A1, 33, 30, 0}, {0x0521, 34, 31, 0}, {0x0441, 35, 32, 0}, {0x02A1, 36, 33, 0},
    {0x0221, 37, 34, 0}, {0x0141, 38, 35, 0}, {0x0111, 39, 36, 0}, {0x0085, 40, 37, 0},
    {0x0049, 41, 38, 0}, {0x0025, 42, 39, 0}, {0x0015, 43, 40, 0}, {0x0009, 44, 41, 0},
    {0x0005, 45, 42, 0}, {0x0001, 45, 43, 0}, {0x5601, 46, 46, 0}};

namespace {

constexpr J2kMqTransitionTable MakeTransitions()
{
    J2kMqTransitionTable table = {};
    for (int i = 0; i < 2 * 47; i++) {
        const J2kMqState& s = kJ2kMqStates[i / 2];
        int mps = i & 1;
        table.entry[i] = {s.qe, uint8_t(s.nextMps * 2 + mps),
                          uint8_t(s.nextLps * 2 + (mps ^ s.switchMps))};
    }
    return table;
}

} // namespace

constexpr J2kMqTransitionTable kJ2kMqTransitions = MakeTransitions();

namespace {

void InitialStates(uint8_t* state, uint8_t* mps)
{
    for (int i = 0; i < J2K_CTX_COUNT; i++) {
        state[i] = 0;
        mps[i] = 0;
    }
    state[J2K_CTX_UNI] = 46;
    state[J2K_CTX_RL] = 3;
    state[J2K_CTX_ZC] = 4;
}

} // namespace

void J2kMqEncoder::Start()
{
    bytes.assign(1, 0);
    bytes.reserve(4096);
    position = 0;
    a = 0x8000;
    c = 0;
    ct = 12;
    ResetContexts();
}

void J2kMqEncoder::ResetContexts() { InitialStates(state, mps); }



void J2kMqEncoder::ByteOut()
{
    if (bytes[position] == 0xFF) {
        bytes.push_back(uint8_t(c >> 20));
        position++;
        c &= 0xFFFFF;
        ct = 7;
        return;
    }
    if (c < 0x8000000) {
        bytes.push_back(uint8_t(c >> 19));
        position++;
        c &= 0x7FFFF;
        ct = 8;
        return;
    }
    bytes[position]++;
    if (bytes[position] == 0xFF) {
        c &= 0x7FFFFFF;
        bytes.push_back(uint8_t(c >> 20));
        position++;
        c &= 0xFFFFF;
        ct = 7;
    } else {
        bytes.push_back(uint8_t(c >> 19));
        position++;
        c &= 0x7FFFF;
        ct = 8;
    }
}

int J2kMqEncoder::Flush()
{
    uint32_t top = c + a;
    c |= 0xFFFF;
    if (c >= top)
        c -= 0x8000;
    c <<= ct;
    ByteOut();
    c <<= ct;
    ByteOut();
    // A trailing 0xFF is never needed by the decoder and may not end a segment.
    int length = int(position);
    if (bytes[position] != 0xFF)
        return length;
    return length - 1;
}

void J2kMqDecoder::Start(const uint8_t* source, int size)
{
    J2kMqRegisters& r = registers;
    r.data = source;
    r.length = size;
    r.position = 0;
    r.c = J2kMqByteAt(r, 0) << 16;
    J2kMqByteIn(r);
    r.c <<= 7;
    r.ct -= 7;
    r.a = 0x8000;
}

void J2kMqDecoder::ResetContexts()
{
    uint8_t state[J2K_CTX_COUNT], mps[J2K_CTX_COUNT];
    InitialStates(state, mps);
    for (int i = 0; i < J2K_CTX_COUNT; i++)
        contexts[i] = uint8_t(state[i] * 2 + mps[i]);
}




void J2kRawDecoder::Start(const uint8_t* source, int size)
{
    data = source;
    length = size;
    position = 0;
    c = 0;
    ct = 0;
}

int J2kRawDecoder::Decode()
{
    if (ct == 0) {
        bool afterFF = (c == 0xFF);
        c = position < length ? data[position] : 0xFF;
        position++;
        ct = afterFF ? 7 : 8;
    }
    ct--;
    return int(c >> ct) & 1;
}
