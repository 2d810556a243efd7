// The MQ arithmetic coder with its 47-state probability table and 19 contexts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

enum J2kContext {
    J2K_CTX_ZC = 0,   // 9 zero-coding contexts
    J2K_CTX_SC = 9,   // 5 sign contexts
    J2K_CTX_MR = 14,  // 3 refinement contexts
    J2K_CTX_RL = 17,
    J2K_CTX_UNI = 18,
    J2K_CTX_COUNT = 19
};

struct J2kMqState {
    uint16_t qe;
    uint8_t nextMps;
    uint8_t nextLps;
    uint8_t switchMps;
};

extern const J2kMqState kJ2kMqStates[47];

class J2kMqEncoder {
public:
    void Start();
    void ResetContexts();
    void Encode(int context, int bit);
    // Terminates the codeword and returns its byte count.
    int Flush();
    // Bytes a decoder needs to decode everything coded so far, a safe over-estimate.
    int BytesSoFar() const { return int(position) + 3; }
    const std::vector<uint8_t>& Bytes() const { return bytes; }
    int ContextState(int context) const { return state[context]; }

private:
    void Renormalise();
    void ByteOut();
    std::vector<uint8_t> bytes;  // bytes[0] is the scratch byte before the codeword
    size_t position = 0;         // index of the byte B in bytes
    uint32_t a = 0, c = 0;
    int ct = 0;
    uint8_t state[J2K_CTX_COUNT] = {};
    uint8_t mps[J2K_CTX_COUNT] = {};
};

class J2kMqDecoder {
public:
    // Restarts the registers on a new segment; the contexts are kept.
    void Start(const uint8_t* data, int length);
    void ResetContexts();
    int Decode(int context);

private:
    void ByteIn();
    void Renormalise();
    uint8_t At(int index) const { return index < length ? data[index] : 0xFF; }
    const uint8_t* data = nullptr;
    int length = 0;
    int position = 0;
    uint32_t a = 0, c = 0;
    int ct = 0;
    uint8_t state[J2K_CTX_COUNT] = {};
    uint8_t mps[J2K_CTX_COUNT] = {};
};

// Raw (bypass) bits with the byte stuffing of arithmetic-coded segments.
class J2kRawDecoder {
public:
    void Start(const uint8_t* data, int length);
    int Decode();

private:
    const uint8_t* data = nullptr;
    int length = 0;
    int position = 0;
    uint32_t c = 0;
    int ct = 0;
};

// The per-symbol paths are inline: tier-1 calls them for every decision.

inline void J2kMqEncoder::Renormalise()
{
    do {
        a <<= 1;
        c <<= 1;
        if (--ct == 0)
            ByteOut();
    } while ((a & 0x8000) == 0);
}

inline void J2kMqEncoder::Encode(int context, int bit)
{
    const J2kMqState& s = kJ2kMqStates[state[context]];
    a -= s.qe;
    if (bit == mps[context]) {
        if (a & 0x8000) {
            c += s.qe;
            return;
        }
        if (a < s.qe)
            a = s.qe;
        else
            c += s.qe;
        state[context] = s.nextMps;
    } else {
        if (a < s.qe)
            c += s.qe;
        else
            a = s.qe;
        if (s.switchMps)
            mps[context] ^= 1;
        state[context] = s.nextLps;
    }
    Renormalise();
}

inline void J2kMqDecoder::ByteIn()
{
    if (At(position) == 0xFF) {
        if (At(position + 1) > 0x8F) {
            c += 0xFF00;
            ct = 8;
        } else {
            position++;
            c += uint32_t(At(position)) << 9;
            ct = 7;
        }
    } else {
        position++;
        c += uint32_t(At(position)) << 8;
        ct = 8;
    }
}

inline void J2kMqDecoder::Renormalise()
{
    do {
        if (ct == 0)
            ByteIn();
        a <<= 1;
        c <<= 1;
        ct--;
    } while ((a & 0x8000) == 0);
}

inline int J2kMqDecoder::Decode(int context)
{
    const J2kMqState& s = kJ2kMqStates[state[context]];
    int bit;
    a -= s.qe;
    if ((c >> 16) < s.qe) {
        if (a < s.qe) {
            bit = mps[context];
            state[context] = s.nextMps;
        } else {
            bit = mps[context] ^ 1;
            if (s.switchMps)
                mps[context] ^= 1;
            state[context] = s.nextLps;
        }
        a = s.qe;
    } else {
        c -= uint32_t(s.qe) << 16;
        if (a & 0x8000)
            return mps[context];
        if (a < s.qe) {
            bit = mps[context] ^ 1;
            if (s.switchMps)
                mps[context] ^= 1;
            state[context] = s.nextLps;
        } else {
            bit = mps[context];
            state[context] = s.nextMps;
        }
    }
    Renormalise();
    return bit;
}
