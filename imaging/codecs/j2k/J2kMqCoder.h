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

// Decoder contexts keep the state and the MPS in one byte, state * 2 + MPS, so
// that one lookup gives the probability and both successors.
struct J2kMqTransition {
    uint16_t qe;
    uint8_t nextMps;  // context byte after an MPS
    uint8_t nextLps;  // context byte after an LPS, the MPS switched where due
};

struct J2kMqTransitionTable {
    J2kMqTransition entry[2 * 47];
};

extern const J2kMqTransitionTable kJ2kMqTransitions;

// The decoder's registers. The coding passes hold a copy in locals while they
// run, so that the registers stay in machine registers between symbols.
struct J2kMqRegisters {
    uint32_t a, c;
    int ct;
    int position;  // index of the byte last read
    int length;
    const uint8_t* data;
};

inline int J2kMqDecodeBit(J2kMqRegisters& r, uint8_t& context);

class J2kMqDecoder {
public:
    // Restarts the registers on a new segment; the contexts are kept.
    void Start(const uint8_t* data, int length);
    void ResetContexts();
    int Decode(int context) { return J2kMqDecodeBit(registers, contexts[context]); }

    // A decoder used before Start still keeps its interval register in range.
    J2kMqRegisters registers = {0x8000, 0, 0, 0, 0, nullptr};
    uint8_t contexts[J2K_CTX_COUNT] = {};
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

// Past the end of its segment the decoder reads 0xFF bytes, as at a marker.
inline uint32_t J2kMqByteAt(const J2kMqRegisters& r, int index)
{
    return index < r.length ? r.data[index] : 0xFF;
}

inline void J2kMqByteIn(J2kMqRegisters& r)
{
    if (J2kMqByteAt(r, r.position) == 0xFF) {
        if (J2kMqByteAt(r, r.position + 1) > 0x8F) {
            r.c += 0xFF00;
            r.ct = 8;
        } else {
            r.position++;
            r.c += J2kMqByteAt(r, r.position) << 9;
            r.ct = 7;
        }
    } else {
        r.position++;
        r.c += J2kMqByteAt(r, r.position) << 8;
        r.ct = 8;
    }
}

// Shifts the registers by n bits, reading a byte whenever the counter runs out.
inline void J2kMqRenormalise(J2kMqRegisters& r, int n)
{
    while (n > r.ct) {
        r.a <<= r.ct;
        r.c <<= r.ct;
        n -= r.ct;
        r.ct = 0;
        J2kMqByteIn(r);
    }
    r.a <<= n;
    r.c <<= n;
    r.ct -= n;
}

// Decodes one decision. Written without branches on the decision itself, which
// for refinement and sign contexts is a coin toss the processor cannot predict.
inline int J2kMqDecodeBit(J2kMqRegisters& r, uint8_t& context)
{
    const J2kMqTransition& t = kJ2kMqTransitions.entry[context];
    const uint32_t qe = t.qe;
    const uint32_t a = r.a - qe;
    // The lower sub-interval goes with a conditional exchange.
    const bool lower = (r.c >> 16) < qe;
    const bool renormalise = lower || !(a & 0x8000);
    // Without renormalisation a >= 0x8000 > qe, so this is false.
    const bool lps = lower != (a < qe);
    r.c -= lower ? 0 : qe << 16;
    r.a = lower ? qe : a;
    const uint8_t next = lps ? t.nextLps : t.nextMps;
    const int bit = (context & 1) ^ int(lps);
    context = renormalise ? next : context;
    // a stays below 0x10000, so the shift that brings its bit 15 up is clz - 16.
    J2kMqRenormalise(r, __builtin_clz(r.a) - 16);
    return bit;
}
