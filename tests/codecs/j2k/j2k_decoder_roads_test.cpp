// Decoder roads our encoder does not take, over codestreams assembled here from
// the standard's syntax: the bypass (lazy) coding mode, SOP and EPH markers,
// and derived quantisation.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "j2k/J2kMqCoder.h"
#include "j2k_test_support.h"

namespace {

using Bytes = std::vector<unsigned char>;

void PutBe(Bytes& b, unsigned v, int count)
{
    for (int i = count - 1; i >= 0; i--)
        b.push_back((unsigned char)(v >> (8 * i)));
}

// Packet-header bits, a 0 bit stuffed after every 0xFF byte.
class HeaderBits {
public:
    void Put(unsigned value, int count)
    {
        for (int i = count - 1; i >= 0; i--) {
            byte = (byte << 1) | ((value >> i) & 1);
            if (++used == (last == 0xFF ? 7 : 8))
                Emit();
        }
    }
    Bytes Done()
    {
        if (used) {
            byte <<= (last == 0xFF ? 7 : 8) - used;
            Emit();
        }
        return bytes;
    }

private:
    void Emit()
    {
        bytes.push_back((unsigned char)byte);
        last = byte;
        byte = 0;
        used = 0;
    }
    Bytes bytes;
    unsigned byte = 0, last = 0;
    int used = 0;
};

// An MQ codeword of the given (context, bit) decisions, contexts at their
// initial states.
Bytes Mq(const std::vector<std::pair<int, int>>& decisions)
{
    J2kMqEncoder mq;
    mq.Start();
    for (const auto& d : decisions)
        mq.Encode(d.first, d.second);
    int length = mq.Flush();
    return Bytes(mq.Bytes().begin() + 1, mq.Bytes().begin() + 1 + length);
}

// A 2 x 1 picture of 8-bit samples 173 and 126, no wavelet levels, one 64 x 64
// code-block in bypass mode and two layers. The coefficients 45 (binary 101101)
// and -2 give six bit-planes: 16 passes, of which passes 10, 11, 13 and 14 are
// raw. Layer 0 carries passes 0-9 (one MQ segment), layer 1 passes 10-15 in
// four segments: raw, MQ, raw, MQ.
Bytes BypassCodestream(bool sopAndEph)
{
    const int zc = J2K_CTX_ZC, sc = J2K_CTX_SC, mr = J2K_CTX_MR;
    // Plane 5 cleanup: A significant (no neighbours: ZC 0, sign context 0
    // positive), B not (A beside it: ZC 5). Planes 4 to 2: B stays
    // insignificant in the significance pass, A refines (first MR 0, then MR 2).
    const Bytes first = Mq({{zc + 0, 1}, {sc, 0}, {zc + 5, 0},
                            {zc + 5, 0}, {mr + 0, 0},
                            {zc + 5, 0}, {mr + 2, 1},
                            {zc + 5, 0}, {mr + 2, 1}});
    // Plane 1: B significant and negative (raw 1, 1), A refines with 0; plane 0:
    // A refines with 1, B with 0. The cleanup passes code nothing.
    const Bytes raw1 = {0xC0}, raw0 = {0x80}, empty = Mq({});

    HeaderBits h0;
    h0.Put(1, 1);            // packet not empty
    h0.Put(1, 1);            // inclusion tag tree: included in layer 0
    h0.Put(0x1, 4);          // zero bit-planes 3 (9 magnitude bits - 6)
    h0.Put(0x1E0 | 4, 9);    // 10 passes
    h0.Put(0, 1);            // Lblock stays 3
    h0.Put(unsigned(first.size()), 3 + 3);
    HeaderBits h1;
    h1.Put(1, 1);
    h1.Put(1, 1);            // included again
    h1.Put(0x1E0 | 0, 9);    // 6 passes
    h1.Put(0, 1);
    h1.Put(unsigned(raw1.size()), 3 + 1);
    h1.Put(unsigned(empty.size()), 3);
    h1.Put(unsigned(raw0.size()), 3 + 1);
    h1.Put(unsigned(empty.size()), 3);
    std::vector<std::pair<Bytes, std::vector<Bytes>>> packets = {
        {h0.Done(), {first}}, {h1.Done(), {raw1, empty, raw0, empty}}};

    Bytes b;
    PutBe(b, 0xFF4F, 2);
    PutBe(b, 0xFF51, 2);
    PutBe(b, 41, 2);
    PutBe(b, 0, 2);
    for (unsigned v : {2u, 1u, 0u, 0u, 2u, 1u, 0u, 0u})
        PutBe(b, v, 4);
    PutBe(b, 1, 2);
    PutBe(b, 0x070101, 3);
    PutBe(b, 0xFF52, 2);
    PutBe(b, 12, 2);
    PutBe(b, sopAndEph ? 6 : 0, 1);
    PutBe(b, 0x00000200, 4);  // LRCP, two layers, no transform
    PutBe(b, 0, 1);           // no levels
    PutBe(b, 0x04040101, 4);  // 64 x 64, bypass, 5/3
    PutBe(b, 0xFF5C, 2);
    PutBe(b, 4, 2);
    PutBe(b, 0x40, 1);  // two guard bits, no quantisation
    PutBe(b, 8 << 3, 1);
    const size_t sot = b.size();
    PutBe(b, 0xFF90, 2);
    PutBe(b, 10, 2);
    PutBe(b, 0, 2);
    PutBe(b, 0, 4);
    PutBe(b, 0x0001, 2);
    PutBe(b, 0xFF93, 2);
    for (size_t p = 0; p < packets.size(); p++) {
        if (sopAndEph) {
            PutBe(b, 0xFF910004, 4);
            PutBe(b, unsigned(p), 2);
        }
        b.insert(b.end(), packets[p].first.begin(), packets[p].first.end());
        if (sopAndEph)
            PutBe(b, 0xFF92, 2);
        for (const Bytes& segment : packets[p].second)
            b.insert(b.end(), segment.begin(), segment.end());
    }
    const unsigned psot = unsigned(b.size() - sot);
    for (int i = 0; i < 4; i++)
        b[sot + 6 + size_t(i)] = (unsigned char)(psot >> (24 - 8 * i));
    PutBe(b, 0xFFD9, 2);
    return b;
}

std::vector<int> Decoded(Bytes b, int* result = nullptr)
{
    J2kImage* image = nullptr;
    J2kCodingParameters* cp = nullptr;
    int r = j2k_decode(b.data(), int(b.size()), &image, &cp);
    if (result)
        *result = r;
    std::vector<int> samples;
    if (r > 0)
        for (int c = 0; c < image->componentCount; c++) {
            const J2kComponent& k = image->components[c];
            int count = J2kTestCeilDiv(image->x1 - image->x0, k.dx) * J2kTestCeilDiv(image->y1 - image->y0, k.dy);
            samples.insert(samples.end(), k.data, k.data + count);
        }
    j2k_destroy(&image, &cp);
    return samples;
}

} // namespace

TEST(J2kDecoderRoads, BypassModeWithAndWithoutSopAndEph)
{
    for (bool markers : {false, true}) {
        Bytes b = BypassCodestream(markers);
        int result = 0;
        EXPECT_EQ(Decoded(b, &result), (std::vector<int>{173, 126})) << markers;
        EXPECT_EQ(result, int(b.size())) << markers;
    }
}

// A derived QCD (one step for the lowest band, the others one exponent less
// per level up, ISO/IEC 15444-1 E.1.1.1) decodes the same coded data exactly
// as the expounded steps it stands for.
TEST(J2kDecoderRoads, DerivedQuantisationMatchesItsExpoundedSteps)
{
    const int base = 10, mantissa = 1000, levels = 3;
    J2kTestSpec s;
    s.width = 37;
    s.height = 29;
    s.wavelet = 0;
    s.resolutions = levels + 1;
    J2kCoded expounded = J2kTestEncode(s, 1 << 20, [&](J2kCodingParameters& cp) {
        J2kTileComponentParameters& t = cp.tiles[0].components[0];
        t.quantisationStyle = 2;
        for (int b = 0; b < 3 * levels + 1; b++) {
            int resolution = b == 0 ? 0 : (b - 1) / 3 + 1;
            int level = resolution == 0 ? levels : levels - resolution + 1;
            t.stepSizes[b] = {base - levels + level, mantissa};
        }
    });
    ASSERT_GT(expounded.length, 0);
    const std::vector<int> reference = Decoded(expounded.bytes);
    ASSERT_EQ(reference.size(), size_t(37 * 29));
    double error = 0;
    for (int i = 0; i < 37 * 29; i++) {
        double d = reference[size_t(i)] - J2kTestSample(0, i % 37, i / 37, 8, false);
        error += d * d;
    }
    EXPECT_LT(error / (37 * 29), 4.0);

    Bytes derived;
    size_t at = 2;
    while (true) {
        ASSERT_LT(at + 4, expounded.bytes.size());
        unsigned code = unsigned(expounded.bytes[at] << 8 | expounded.bytes[at + 1]);
        size_t length = size_t(expounded.bytes[at + 2] << 8 | expounded.bytes[at + 3]);
        ASSERT_NE(code, 0xFF90u) << "no QCD in the main header";
        if (code == 0xFF5C) {
            derived.assign(expounded.bytes.begin(), expounded.bytes.begin() + long(at));
            PutBe(derived, 0xFF5C0005, 4);
            PutBe(derived, 2 << 5 | 1, 1);
            PutBe(derived, unsigned(base << 11 | mantissa), 2);
            derived.insert(derived.end(), expounded.bytes.begin() + long(at + 2 + length),
                           expounded.bytes.end());
            break;
        }
        at += 2 + length;
    }
    EXPECT_EQ(Decoded(derived), reference);
}
