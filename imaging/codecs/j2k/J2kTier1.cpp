#include "J2kTier1.h"

#include "J2kByteCursor.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#if defined(__GNUC__)
#define J2K_T1_INLINE __attribute__((always_inline)) inline
#else
#define J2K_T1_INLINE inline
#endif

namespace {

// Flag bits per coefficient: significance of the eight neighbours, signs of
// the four direct ones, then the coefficient's own state.
const uint32_t F_NW = 0x001, F_N = 0x002, F_NE = 0x004, F_W = 0x008, F_E = 0x010,
               F_SW = 0x020, F_S = 0x040, F_SE = 0x080;
const uint32_t F_SIGN_N = 0x100, F_SIGN_S = 0x200, F_SIGN_W = 0x400, F_SIGN_E = 0x800;
const uint32_t F_SIG = 0x1000, F_VISIT = 0x2000, F_REFINED = 0x4000, F_NEG = 0x8000;
const uint32_t F_NEIGHBOURS = 0xFF;

// Sign coding looks at flag bits 1 to 11: the significance and signs of the
// four direct neighbours.
int SignTableIndex(uint32_t f) { return int(f >> 1) & 0x7FF; }

struct ContextTables {
    uint8_t zeroCoding[4][256];
    uint8_t sign[1 << 11];  // context * 2 + the bit that flips the sign
    ContextTables();
};

int ZeroCodingContext(int orientation, int h, int v, int d)
{
    if (orientation == 1) {
        int t = h;
        h = v;
        v = t;
    }
    if (orientation == 3) {
        int hv = h + v;
        if (d >= 3) return 8;
        if (d == 2) return hv >= 1 ? 7 : 6;
        if (d == 1) return hv >= 2 ? 5 : (hv == 1 ? 4 : 3);
        return hv >= 2 ? 2 : hv;
    }
    if (h == 2) return 8;
    if (h == 1) return v >= 1 ? 7 : (d >= 1 ? 6 : 5);
    if (v == 2) return 4;
    if (v == 1) return 3;
    return d >= 2 ? 2 : d;
}

ContextTables::ContextTables()
{
    for (int o = 0; o < 4; o++)
        for (int f = 0; f < 256; f++) {
            int h = !!(f & F_W) + !!(f & F_E);
            int v = !!(f & F_N) + !!(f & F_S);
            int d = !!(f & F_NW) + !!(f & F_NE) + !!(f & F_SW) + !!(f & F_SE);
            zeroCoding[o][f] = uint8_t(J2K_CTX_ZC + ZeroCodingContext(o, h, v, d));
        }
    for (int index = 0; index < (1 << 11); index++) {
        uint32_t f = uint32_t(index) << 1;
        auto contribution = [&](uint32_t sigBit, uint32_t negBit) {
            return (f & sigBit) ? ((f & negBit) ? -1 : 1) : 0;
        };
        int vc = contribution(F_N, F_SIGN_N) + contribution(F_S, F_SIGN_S);
        int hc = contribution(F_W, F_SIGN_W) + contribution(F_E, F_SIGN_E);
        vc = vc < -1 ? -1 : (vc > 1 ? 1 : vc);
        hc = hc < -1 ? -1 : (hc > 1 ? 1 : hc);
        int flip = hc < 0 || (hc == 0 && vc < 0);
        if (flip) {
            hc = -hc;
            vc = -vc;
        }
        // hc is now 0 or 1.
        int context = hc == 0 ? (vc == 0 ? 9 : 10) : (vc == 1 ? 13 : (vc == 0 ? 12 : 11));
        sign[index] = uint8_t((J2K_CTX_SC + context - 9) * 2 + flip);
    }
}

const ContextTables kTables;

int FloorLog2(uint32_t v)
{
    int l = -1;
    while (v) {
        v >>= 1;
        l++;
    }
    return l;
}

} // namespace

J2kTier1::J2kTier1()
{
    memset(flags, 0, sizeof(flags));
}

// Flags of a stripe column together: a column with none set has nothing to
// refine and nothing next to significance.
inline uint32_t J2kTier1::ColumnFlags(int top) const
{
    const uint32_t* f = flags + top;
    return f[0] | f[kStride] | f[2 * kStride] | f[3 * kStride];
}

// Flags that every sample of a stripe column has.
inline uint32_t J2kTier1::ColumnFlagsAll(int top) const
{
    const uint32_t* f = flags + top;
    return f[0] & f[kStride] & f[2 * kStride] & f[3 * kStride];
}

// Whether every sample of a stripe column is significant or visited.
inline bool J2kTier1::ColumnSettled(int top) const
{
    const uint32_t* f = flags + top;
    const uint32_t settled = F_SIG | F_VISIT;
    return bool(f[0] & settled) & bool(f[kStride] & settled) & bool(f[2 * kStride] & settled) &
           bool(f[3 * kStride] & settled);
}

// A full stripe column of coefficients still insignificant, unvisited and with
// no significant neighbour is coded by run length.
inline bool J2kTier1::RunMode(int top) const
{
    const uint32_t* f = flags + top;
    uint32_t any = f[0] | f[kStride] | f[2 * kStride] | (f[3 * kStride] & uint32_t(NeighbourMask(3)));
    return !(any & (F_SIG | F_VISIT | F_NEIGHBOURS));
}

int J2kTier1::NeighbourMask(int rowInStripe) const
{
    if (causal && rowInStripe == 3)
        return int(~(F_SW | F_S | F_SE | F_SIGN_S));
    return -1;
}

void J2kTier1::ClearFlags(int w, int h)
{
    width = w;
    height = h;
    for (int y = 0; y < h + 2; y++)
        memset(flags + y * kStride, 0, sizeof(uint32_t) * size_t(w + 2));
}

inline void J2kTier1::MakeSignificant(int index, bool negative)
{
    uint32_t* f = flags + index;
    const uint32_t neg = negative ? ~0u : 0u;
    f[0] |= F_SIG | (F_NEG & neg);
    f[-kStride - 1] |= F_SE;
    f[-kStride] |= F_S | (F_SIGN_S & neg);
    f[-kStride + 1] |= F_SW;
    f[-1] |= F_E | (F_SIGN_E & neg);
    f[1] |= F_W | (F_SIGN_W & neg);
    f[kStride - 1] |= F_NE;
    f[kStride] |= F_N | (F_SIGN_N & neg);
    f[kStride + 1] |= F_NW;
}

// ---- encoding ----

void J2kTier1::Load(const int32_t* samples, int stride, int w, int h)
{
    ClearFlags(w, h);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            int32_t v = samples[y * stride + x];
            int index = (y + 1) * kStride + x + 1;
            data[index] = v < 0 ? -v : v;
            if (v < 0)
                flags[index] |= F_NEG;
        }
}

double J2kTier1::SignificanceDecrease(int32_t m, int plane) const
{
    double r = double(3 << (plane + kJ2kT1FracBits - 1));
    double e = double(m) - r;
    return double(m) * double(m) - e * e;
}

double J2kTier1::RefinementDecrease(int32_t m, int plane) const
{
    int shift = plane + kJ2kT1FracBits;
    double before = double(((m >> (shift + 1)) << (shift + 1)) + (1 << shift));
    double after = double(((m >> shift) << shift) + (1 << (shift - 1)));
    double eb = double(m) - before, ea = double(m) - after;
    return eb * eb - ea * ea;
}

void J2kTier1::EncodeSign(int index, int f, int plane, double& decrease)
{
    int sign = kTables.sign[SignTableIndex(uint32_t(f))];
    bool negative = flags[index] & F_NEG;
    encoder.Encode(sign >> 1, int(negative) ^ (sign & 1));
    MakeSignificant(index, negative);
    decrease += SignificanceDecrease(data[index], plane);
}

void J2kTier1::EncodeCoefficient(int index, int plane, int f, double& decrease)
{
    int bit = (data[index] >> (plane + kJ2kT1FracBits)) & 1;
    encoder.Encode(kTables.zeroCoding[orientation][f & F_NEIGHBOURS], bit);
    if (bit)
        EncodeSign(index, f, plane, decrease);
}

// The scans are kept inline in each pass so that a decoder's registers, held in
// the pass's locals, stay in machine registers.

// Calls visit(index, mask) for each row of a stripe column, with the mask of
// the row's neighbour flags; full columns are unrolled.
template <class Visit> J2K_T1_INLINE void J2kTier1::ForRows(int top, int rows, Visit visit)
{
    if (rows == 4) {
        visit(top, -1);
        visit(top + kStride, -1);
        visit(top + 2 * kStride, -1);
        visit(top + 3 * kStride, NeighbourMask(3));
        return;
    }
    for (int r = 0; r < rows; r++)
        visit(top + r * kStride, -1);
}

template <class F> J2K_T1_INLINE void J2kTier1::SignificanceScan(F code)
{
    const int w = width, h = height;
    for (int k = 0; k < h; k += 4) {
        const int rows = std::min(4, h - k);
        for (int x = 0; x < w; x++) {
            const int top = (k + 1) * kStride + x + 1;
            // Nothing to do in columns without context or significant throughout.
            if (!ColumnFlags(top) || (ColumnFlagsAll(top) & F_SIG))
                continue;
            ForRows(top, rows, [&](int index, int mask) {
                int f = int(flags[index]) & mask;
                if ((f & F_SIG) || !(f & F_NEIGHBOURS))
                    return;
                code(index, f);
                flags[index] |= F_VISIT;
            });
        }
    }
}

template <class F> J2K_T1_INLINE void J2kTier1::RefinementScan(F code)
{
    const int w = width, h = height;
    for (int k = 0; k < h; k += 4) {
        const int rows = std::min(4, h - k);
        for (int x = 0; x < w; x++) {
            const int top = (k + 1) * kStride + x + 1;
            if (!(ColumnFlags(top) & F_SIG))
                continue;
            ForRows(top, rows, [&](int index, int mask) {
                uint32_t f = flags[index];
                if ((f & (F_SIG | F_VISIT)) != F_SIG)
                    return;
                int context = (f & F_REFINED) ? J2K_CTX_MR + 2
                              : ((int(f) & mask & F_NEIGHBOURS) ? J2K_CTX_MR + 1 : J2K_CTX_MR);
                code(index, context);
                flags[index] |= F_REFINED;
            });
        }
    }
}

// run(top) codes a run-length column and returns the row of its first
// significant sample, or 4; sign(index, f) then codes that sample's sign, and
// code(index, f) every other sample not yet significant nor visited.
template <class Run, class Sign, class Code>
J2K_T1_INLINE void J2kTier1::CleanupScan(Run run, Sign sign, Code code)
{
    const int w = width, h = height;
    const int lastRowMask = NeighbourMask(3);
    auto visit = [&](int index, int mask) {
        int f = int(flags[index]) & mask;
        if (!(f & (F_SIG | F_VISIT)))
            code(index, f);
    };
    for (int k = 0; k < h; k += 4) {
        const int rows = std::min(4, h - k);
        for (int x = 0; x < w; x++) {
            const int top = (k + 1) * kStride + x + 1;
            if (ColumnSettled(top))
                continue;
            if (rows < 4 || !RunMode(top)) {
                ForRows(top, rows, visit);
                continue;
            }
            int r = run(top);
            if (r == 4)
                continue;
            sign(top + r * kStride, int(flags[top + r * kStride]) & (r == 3 ? lastRowMask : -1));
            for (r++; r < 4; r++)
                visit(top + r * kStride, r == 3 ? lastRowMask : -1);
        }
    }
    ClearVisits();
}

void J2kTier1::ClearVisits()
{
    const int w = width, h = height;
    for (int y = 1; y <= h; y++) {
        uint32_t* f = flags + y * kStride + 1;
        for (int x = 0; x < w; x++)
            f[x] &= ~F_VISIT;
    }
}

void J2kTier1::EncodeSignificancePass(int plane, double& decrease)
{
    SignificanceScan([&](int index, int f) { EncodeCoefficient(index, plane, f, decrease); });
}

void J2kTier1::EncodeRefinementPass(int plane, double& decrease)
{
    RefinementScan([&](int index, int context) {
        encoder.Encode(context, (data[index] >> (plane + kJ2kT1FracBits)) & 1);
        decrease += RefinementDecrease(data[index], plane);
    });
}

void J2kTier1::EncodeCleanupPass(int plane, double& decrease)
{
    const int shift = plane + kJ2kT1FracBits;
    CleanupScan(
        [&](int top) {
            int first = 4;
            for (int r = 0; r < 4; r++)
                if ((data[top + r * kStride] >> shift) & 1) {
                    first = r;
                    break;
                }
            encoder.Encode(J2K_CTX_RL, first < 4);
            if (first < 4) {
                encoder.Encode(J2K_CTX_UNI, first >> 1);
                encoder.Encode(J2K_CTX_UNI, first & 1);
            }
            return first;
        },
        [&](int index, int f) { EncodeSign(index, f, plane, decrease); },
        [&](int index, int f) { EncodeCoefficient(index, plane, f, decrease); });
}

void J2kTier1::EncodeBlock(const int32_t* samples, int stride, int orient, int style,
                           double weight, J2kCodeBlock& block)
{
    int w = block.x1 - block.x0, h = block.y1 - block.y0;
    orientation = orient;
    causal = (style & J2K_CBLK_CAUSAL) != 0;
    Load(samples, stride, w, h);
    int32_t largest = 0;
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            if (data[(y + 1) * kStride + x + 1] > largest)
                largest = data[(y + 1) * kStride + x + 1];
    int planes = largest ? FloorLog2(uint32_t(largest)) + 1 - kJ2kT1FracBits : 0;
    block.bitPlanes = planes > 0 ? planes : 0;
    block.passes.clear();
    block.data.clear();
    block.passCount = 0;
    if (block.bitPlanes == 0)
        return;
    if (3 * block.bitPlanes - 2 > kJ2kMaxPasses)
        throw J2kError();
    encoder.Start();
    double total = 0;
    for (int plane = block.bitPlanes - 1; plane >= 0; plane--) {
        for (int type = (plane == block.bitPlanes - 1) ? 2 : 0; type < 3; type++) {
            double decrease = 0;
            if (type == 0)
                EncodeSignificancePass(plane, decrease);
            else if (type == 1)
                EncodeRefinementPass(plane, decrease);
            else
                EncodeCleanupPass(plane, decrease);
            if (type == 2 && (style & J2K_CBLK_SEGSYM))
                for (int bit : {1, 0, 1, 0})
                    encoder.Encode(J2K_CTX_UNI, bit);
            if (style & J2K_CBLK_RESET)
                encoder.ResetContexts();
            total += decrease * weight;
            block.passes.push_back({encoder.BytesSoFar(), total});
        }
    }
    int length = encoder.Flush();
    if (length > kJ2kMaxBlockBytes)
        throw J2kError();
    const std::vector<uint8_t>& bytes = encoder.Bytes();
    block.data.assign(bytes.begin() + 1, bytes.begin() + 1 + length);
    block.passCount = int(block.passes.size());
    // Truncation points may not pass the codeword nor end on a 0xFF byte.
    int previous = 0;
    for (J2kPassRecord& pass : block.passes) {
        if (pass.rate > length)
            pass.rate = length;
        if (pass.rate > 0 && pass.rate < length && block.data[size_t(pass.rate - 1)] == 0xFF)
            pass.rate--;
        if (pass.rate < previous)
            pass.rate = previous;
        previous = pass.rate;
    }
    block.passes.back().rate = length;
}

// ---- decoding ----

namespace {

// Symbol sources of the decoding passes; a pass works on a copy of its own.
struct MqBits {
    J2kMqRegisters registers;
    uint8_t* contexts;
    int Bit(int context) { return J2kMqDecodeBit(registers, contexts[context]); }
    int Sign(int context, int flip) { return Bit(context) ^ flip; }
};

struct RawBits {
    J2kRawDecoder* raw;
    int Bit(int) { return raw->Decode(); }
    int Sign(int, int) { return raw->Decode(); }
};

} // namespace

template <class Bits> void J2kTier1::DecodeSign(Bits& bits, int index, int f, int plane)
{
    int sign = kTables.sign[SignTableIndex(uint32_t(f))];
    MakeSignificant(index, bits.Sign(sign >> 1, sign & 1));
    data[index] = 3 << plane;
}

template <class Bits> Bits J2kTier1::DecodeSignificancePass(Bits bits, int plane)
{
    const uint8_t* zeroCoding = kTables.zeroCoding[orientation];
    SignificanceScan([&](int index, int f) {
        if (bits.Bit(zeroCoding[f & F_NEIGHBOURS]))
            DecodeSign(bits, index, f, plane);
    });
    return bits;
}

template <class Bits> Bits J2kTier1::DecodeRefinementPass(Bits bits, int plane)
{
    const int32_t step = 1 << plane;
    RefinementScan([&](int index, int context) {
        data[index] += bits.Bit(context) ? step : -step;
    });
    return bits;
}

template <class Bits> Bits J2kTier1::DecodeCleanupPass(Bits bits, int plane, bool segmentationSymbols)
{
    const uint8_t* zeroCoding = kTables.zeroCoding[orientation];
    CleanupScan(
        [&](int) {
            if (!bits.Bit(J2K_CTX_RL))
                return 4;
            int first = bits.Bit(J2K_CTX_UNI) << 1;
            return first | bits.Bit(J2K_CTX_UNI);
        },
        [&](int index, int f) { DecodeSign(bits, index, f, plane); },
        [&](int index, int f) {
            if (bits.Bit(zeroCoding[f & F_NEIGHBOURS]))
                DecodeSign(bits, index, f, plane);
        });
    if (segmentationSymbols)
        for (int i = 0; i < 4; i++)
            bits.Bit(J2K_CTX_UNI);
    return bits;
}

void J2kTier1::DecodePass(int type, int plane, bool raw, int style)
{
    // Cleanup passes are always arithmetic-coded.
    if (raw && type != 2) {
        RawBits bits{&rawDecoder};
        if (type == 0)
            DecodeSignificancePass(bits, plane);
        else
            DecodeRefinementPass(bits, plane);
        return;
    }
    MqBits bits{decoder.registers, decoder.contexts};
    if (type == 0)
        bits = DecodeSignificancePass(bits, plane);
    else if (type == 1)
        bits = DecodeRefinementPass(bits, plane);
    else
        bits = DecodeCleanupPass(bits, plane, (style & J2K_CBLK_SEGSYM) != 0);
    decoder.registers = bits.registers;
}

bool J2kTier1::DecodeBlock(J2kCodeBlock& block, int orient, int style, int32_t* out, int stride)
{
    int w = block.x1 - block.x0, h = block.y1 - block.y0;
    orientation = orient;
    causal = (style & J2K_CBLK_CAUSAL) != 0;
    ClearFlags(w, h);
    for (int y = 0; y < h; y++)
        memset(data + (y + 1) * kStride + 1, 0, sizeof(int32_t) * size_t(w));
    // One half step above the lowest plane must fit in 31 bits. A block that
    // cannot be decoded still gives its (zero) coefficients, never stale ones.
    const bool ok = block.bitPlanes <= 30 && DecodeSegments(block, style);
    for (int y = 0; y < h; y++) {
        const int32_t* d = data + (y + 1) * kStride + 1;
        const uint32_t* f = flags + (y + 1) * kStride + 1;
        for (int x = 0; x < w; x++)
            out[y * stride + x] = (f[x] & F_NEG) ? -d[x] : d[x];
    }
    return ok;
}

bool J2kTier1::DecodeSegments(J2kCodeBlock& block, int style)
{
    int pass = 0;
    decoder.ResetContexts();
    for (const J2kSegment& segment : block.segments) {
        if (segment.offset + segment.length > int(block.data.size()))
            return false;
        const uint8_t* bytes = block.data.data() + segment.offset;
        bool rawSegment = (style & J2K_CBLK_BYPASS) && pass >= 10 && (pass % 3) != 0;
        // Contexts carry over from segment to segment; only the registers restart.
        if (rawSegment)
            rawDecoder.Start(bytes, segment.length);
        else
            decoder.Start(bytes, segment.length);
        for (int i = 0; i < segment.passCount; i++, pass++) {
            int plane = block.bitPlanes - 1 - (pass + 2) / 3;
            if (plane < 0)
                return false;
            DecodePass(pass == 0 ? 2 : (pass - 1) % 3, plane, rawSegment, style);
            if (style & J2K_CBLK_RESET)
                decoder.ResetContexts();
        }
    }
    return true;
}
