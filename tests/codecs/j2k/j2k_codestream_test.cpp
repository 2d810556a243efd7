// The codestream's structure as our own reader sees it, decoder edge cases,
// and hostile codestreams failing cleanly.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "MemoryStream.h"
#include "RasterJ2K.h"
#include "j2k_test_support.h"

namespace {

using Bytes = std::vector<unsigned char>;

unsigned Get(const Bytes& b, size_t at, int n)
{
    unsigned v = 0;
    for (int i = 0; i < n; i++)
        v = (v << 8) | b.at(at + size_t(i));
    return v;
}

void Put(Bytes& b, size_t at, unsigned v, int n)
{
    for (int i = n - 1; i >= 0; i--, v >>= 8)
        b.at(at + size_t(i)) = (unsigned char)(v & 0xFF);
}

struct Marker {
    unsigned code;
    size_t at;      // offset of the marker
    unsigned length;  // segment length field, 0 for markers without one
};

// Walks markers and segments; tile data is skipped by Psot. Fails the test on
// anything inconsistent.
std::vector<Marker> Walk(const Bytes& b)
{
    std::vector<Marker> out;
    size_t at = 0, tilePartEnd = 0;
    while (at + 2 <= b.size()) {
        unsigned code = Get(b, at, 2);
        Marker m{code, at, 0};
        if (code == 0xFF4F || code == 0xFFD9) {
            out.push_back(m);
            at += 2;
            continue;
        }
        if (code == 0xFF93) {
            out.push_back(m);
            EXPECT_GT(tilePartEnd, at) << "SOD outside a tile-part";
            at = tilePartEnd;
            continue;
        }
        EXPECT_EQ(code >> 8, 0xFFu) << "no marker at " << at;
        if ((code >> 8) != 0xFF)
            break;
        m.length = Get(b, at + 2, 2);
        if (code == 0xFF90)
            tilePartEnd = at + Get(b, at + 6, 4);
        out.push_back(m);
        at += 2 + m.length;
    }
    EXPECT_EQ(at, b.size());
    return out;
}

const Marker* Find(const std::vector<Marker>& markers, unsigned code, int nth = 0)
{
    for (const Marker& m : markers)
        if (m.code == code && nth-- == 0)
            return &m;
    return nullptr;
}

Bytes Coded(const J2kTestSpec& s, const std::function<void(J2kCodingParameters&)>& edit = {})
{
    J2kCoded coded = J2kTestEncode(s, 1 << 22, edit);
    EXPECT_GT(coded.length, 0);
    return coded.bytes;
}

// Every component's code-blocks of component c of every tile made 32 wide.
void NarrowBlocks(J2kCodingParameters& cp, int c)
{
    for (int t = 0; t < cp.tw * cp.th; t++)
        cp.tiles[t].components[c].codeBlockWidthExp = 5;
}

// The header structure of ISO/IEC 15444-1 Annex A as a strict reader checks it:
// SOC, SIZ, a main header holding exactly one COD and one QCD, tile-parts of
// SOT, header and SOD, and EOC. Segments are named by marker, COC and QCC with
// their component, e.g. "QCC2".
struct Structure {
    std::vector<std::string> main;
    std::vector<std::vector<std::string>> tileParts;
    std::vector<std::string> faults;
};

Structure Parse(const Bytes& b)
{
    Structure s;
    auto fault = [&](const std::string& what, size_t at) {
        s.faults.push_back(what + " at " + std::to_string(at));
    };
    if (b.size() < 4 || Get(b, 0, 2) != 0xFF4F || Get(b, 2, 2) != 0xFF51) {
        fault("no SOC and SIZ", 0);
        return s;
    }
    const unsigned components = Get(b, 40, 2);
    const int numberBytes = components < 257 ? 1 : 2;
    size_t at = 4 + Get(b, 4, 2);
    std::vector<std::string>* header = &s.main;
    const std::vector<unsigned> mainOnly = {0xFF55, 0xFF57, 0xFF60, 0xFF63};
    const std::vector<unsigned> tileOnly = {0xFF58, 0xFF61};
    const std::vector<unsigned> either = {0xFF52, 0xFF53, 0xFF5C, 0xFF5D, 0xFF5E, 0xFF5F, 0xFF64};
    auto in = [](const std::vector<unsigned>& set, unsigned code) {
        return std::find(set.begin(), set.end(), code) != set.end();
    };
    size_t tilePartEnd = 0;
    bool firstPart = false;
    while (at + 2 <= b.size()) {
        unsigned code = Get(b, at, 2);
        if (code == 0xFFD9) {
            if (at + 2 != b.size())
                fault("bytes after EOC", at);
            break;
        }
        if (code == 0xFF93) {
            if (header == &s.main)
                fault("SOD in the main header", at);
            at = tilePartEnd;
            continue;
        }
        if (at + 4 > b.size()) {
            fault("segment cut", at);
            break;
        }
        size_t length = Get(b, at + 2, 2);
        if (code == 0xFF90) {
            if (header == &s.main) {
                for (const char* needed : {"COD", "QCD"})
                    if (std::count(s.main.begin(), s.main.end(), needed) != 1)
                        fault(std::string("main header without exactly one ") + needed, at);
            }
            s.tileParts.emplace_back();
            header = &s.tileParts.back();
            tilePartEnd = at + Get(b, at + 6, 4);
            firstPart = Get(b, at + 10, 1) == 0;
            at += 2 + length;
            continue;
        }
        bool isMain = header == &s.main;
        if (!in(either, code) && !in(isMain ? mainOnly : tileOnly, code))
            fault("marker not allowed here", at);
        std::string name = code == 0xFF52 ? "COD" : code == 0xFF53 ? "COC" : code == 0xFF5C ? "QCD"
                         : code == 0xFF5D ? "QCC" : code == 0xFF64 ? "COM" : "other";
        if (code == 0xFF53 || code == 0xFF5D)
            name += std::to_string(Get(b, at + 4, numberBytes));
        if (!isMain && !firstPart && name != "COM" && name != "other")
            fault("coding parameters in a later tile-part", at);
        if (std::count(header->begin(), header->end(), name) && name != "COM")
            fault(name + " twice in one header", at);
        header->push_back(name);
        at += 2 + length;
    }
    if (at + 2 != b.size())
        fault("no EOC at the end", at);
    return s;
}

int DecodeResult(Bytes b)
{
    J2kImage* image = nullptr;
    J2kCodingParameters* cp = nullptr;
    int result = j2k_decode(b.data(), int(b.size()), &image, &cp);
    j2k_destroy(&image, &cp);
    return result;
}

bool DecodesExactly(Bytes b, const J2kTestSpec& s)
{
    J2kImage* image = nullptr;
    J2kCodingParameters* cp = nullptr;
    int result = j2k_decode(b.data(), int(b.size()), &image, &cp);
    bool same = result == int(b.size());
    for (int c = 0; same && c < image->componentCount; c++) {
        const J2kComponent& k = image->components[c];
        int w = J2kTestCeilDiv(image->x1, k.dx) - J2kTestCeilDiv(image->x0, k.dx);
        int h = J2kTestCeilDiv(image->y1, k.dy) - J2kTestCeilDiv(image->y0, k.dy);
        for (int i = 0; same && i < w * h; i++)
            same = k.data[i] == J2kTestSample(c, i % w, i / w, s.precision, s.isSigned);
    }
    j2k_destroy(&image, &cp);
    return same;
}

J2kTestSpec SmallTiled()
{
    J2kTestSpec s;
    s.width = 23;
    s.height = 17;
    s.components = 3;
    s.tileWidth = 16;
    s.tileHeight = 16;
    s.resolutions = 3;
    return s;
}

} // namespace

TEST(J2kCodestream, MarkersLengthsAndTilePartsOfOurCodestreams)
{
    J2kTestSpec s = SmallTiled();
    s.x0 = 2;
    s.y0 = 1;
    Bytes b = Coded(s);
    std::vector<Marker> m = Walk(b);
    std::vector<unsigned> codes;
    for (const Marker& k : m)
        codes.push_back(k.code);
    // Components alike: their coding is stated once, in the main header.
    std::vector<unsigned> expected = {0xFF4F, 0xFF51, 0xFF64, 0xFF52, 0xFF5C};
    for (int t = 0; t < 4; t++) {
        for (unsigned code : {0xFF90, 0xFF93})
            expected.push_back(code);
    }
    expected.push_back(0xFFD9);
    EXPECT_EQ(codes, expected);

    const Marker* siz = Find(m, 0xFF51);
    ASSERT_NE(siz, nullptr);
    EXPECT_EQ(siz->length, 38u + 3 * 3);
    EXPECT_EQ(Get(b, siz->at + 6, 4), 25u);   // Xsiz
    EXPECT_EQ(Get(b, siz->at + 10, 4), 18u);  // Ysiz
    EXPECT_EQ(Get(b, siz->at + 14, 4), 2u);   // XOsiz
    EXPECT_EQ(Get(b, siz->at + 18, 4), 1u);   // YOsiz
    EXPECT_EQ(Get(b, siz->at + 22, 4), 16u);  // XTsiz
    EXPECT_EQ(Get(b, siz->at + 38, 2), 3u);   // Csiz
    EXPECT_EQ(Get(b, siz->at + 40, 3), 0x070101u);

    const Marker* com = Find(m, 0xFF64);
    ASSERT_NE(com, nullptr);
    EXPECT_EQ(std::string(b.begin() + long(com->at) + 6, b.begin() + long(com->at) + 2 + com->length),
              "Creator: R2000 izeze");
    EXPECT_EQ(Get(b, com->at + 4, 2), 0u);

    for (int t = 0; t < 4; t++) {
        const Marker* sot = Find(m, 0xFF90, t);
        ASSERT_NE(sot, nullptr);
        EXPECT_EQ(sot->length, 10u);
        EXPECT_EQ(Get(b, sot->at + 4, 2), unsigned(t));
        EXPECT_EQ(Get(b, sot->at + 10, 2), 0x0001u);  // TPsot 0, TNsot 1
        const Marker* next = t < 3 ? Find(m, 0xFF90, t + 1) : Find(m, 0xFFD9);
        EXPECT_EQ(sot->at + Get(b, sot->at + 6, 4), next->at);
    }
    const Marker* cod = Find(m, 0xFF52);
    EXPECT_EQ(cod->length, 12u);
    EXPECT_EQ(Get(b, cod->at + 4, 4), 0x00000001u);  // Scod, LRCP, 1 layer
    EXPECT_EQ(Get(b, cod->at + 9, 4), 0x02040400u);  // 2 levels, 64 x 64
    EXPECT_EQ(Find(m, 0xFF5C)->length, 3u + 3 * 3 - 2);
}

// Tile 0's coding goes into the main header; a tile-part repeats only what
// its tile has of its own, and a COD or QCD there undoes the main header's
// COC and QCC for that tile, so they are repeated after it.
TEST(J2kCodestream, MainHeaderStatesTheDefaultsAndTilePartsWhatDiffers)
{
    J2kTestSpec s = SmallTiled();
    s.tileHeight = 0;  // two tiles side by side
    Bytes b = Coded(s, [](J2kCodingParameters& cp) {
        for (int t = 0; t < 2; t++)
            cp.tiles[t].components[1].resolutionCount = 2;
        cp.tiles[1].progressionOrder = J2K_RLCP;
        for (int c = 0; c < 3; c++)
            cp.tiles[1].components[c].guardBits = c == 2 ? 4 : 3;
    });
    Structure st = Parse(b);
    EXPECT_EQ(st.faults, std::vector<std::string>());
    EXPECT_EQ(st.main, (std::vector<std::string>{"COM", "COD", "QCD", "COC1", "QCC1"}));
    ASSERT_EQ(st.tileParts.size(), 2u);
    EXPECT_EQ(st.tileParts[0], std::vector<std::string>());
    EXPECT_EQ(st.tileParts[1], (std::vector<std::string>{"COD", "QCD", "COC1", "QCC1", "QCC2"}));
    EXPECT_TRUE(DecodesExactly(b, s));

    // A COC or QCC rules its component whether it comes before or after the
    // COD or QCD of its header.
    auto moveBefore = [](Bytes bytes, unsigned code, int nth, unsigned beforeCode, int beforeNth) {
        std::vector<Marker> markers = Walk(bytes);
        const Marker* moved = Find(markers, code, nth);
        const Marker* before = Find(markers, beforeCode, beforeNth);
        Bytes segment(bytes.begin() + long(moved->at), bytes.begin() + long(moved->at + 2 + moved->length));
        bytes.erase(bytes.begin() + long(moved->at), bytes.begin() + long(moved->at + 2 + moved->length));
        bytes.insert(bytes.begin() + long(before->at), segment.begin(), segment.end());
        return bytes;
    };
    Bytes reordered = moveBefore(b, 0xFF53, 0, 0xFF52, 0);
    reordered = moveBefore(reordered, 0xFF5D, 0, 0xFF5C, 0);
    reordered = moveBefore(reordered, 0xFF53, 1, 0xFF52, 1);
    reordered = moveBefore(reordered, 0xFF5D, 2, 0xFF5C, 1);
    ASSERT_EQ(Parse(reordered).main,
              (std::vector<std::string>{"COM", "COC1", "COD", "QCC1", "QCD"}));
    ASSERT_EQ(Parse(reordered).tileParts[1],
              (std::vector<std::string>{"COC1", "COD", "QCC2", "QCD", "QCC1"}));
    EXPECT_TRUE(DecodesExactly(reordered, s));

    // The parser finds what strict readers refuse.
    Bytes late = b;
    size_t cod = Find(Walk(b), 0xFF52)->at;
    Put(late, cod, 0xFF58, 2);
    EXPECT_EQ(Parse(late).faults.size(), 2u);
}

TEST(J2kCodestream, ManyComponentsUseTwoByteNumbers)
{
    J2kTestSpec s;
    s.width = 5;
    s.height = 4;
    s.components = 300;
    s.resolutions = 2;
    Bytes b = Coded(s, [](J2kCodingParameters& cp) {
        for (int c = 1; c < 300; c++) {
            NarrowBlocks(cp, c);
            cp.tiles[0].components[c].guardBits = 3;
        }
    });
    std::vector<Marker> m = Walk(b);
    EXPECT_EQ(Parse(b).faults, std::vector<std::string>());
    const Marker* coc = Find(m, 0xFF53, 298);
    ASSERT_NE(coc, nullptr);
    EXPECT_EQ(coc->length, 10u);
    EXPECT_EQ(Get(b, coc->at + 4, 2), 299u);
    const Marker* qcc = Find(m, 0xFF5D, 298);
    EXPECT_EQ(qcc->length, 2u + 2 + 1 + 4);
    EXPECT_TRUE(DecodesExactly(b, s));
}

TEST(J2kCodestream, TilePartsOfOneTileJoinAndPsotZeroRunsToTheEnd)
{
    J2kTestSpec s;
    s.width = 40;
    s.height = 30;
    Bytes b = Coded(s);
    std::vector<Marker> m = Walk(b);
    size_t sot = Find(m, 0xFF90)->at, sod = Find(m, 0xFF93)->at, eoc = Find(m, 0xFFD9)->at;
    size_t split = sod + 2 + (eoc - sod - 2) / 3;
    // First tile-part: the headers and a third of the data; the second: the rest.
    Bytes parts(b.begin(), b.begin() + long(split));
    Put(parts, sot + 6, unsigned(split - sot), 4);
    Put(parts, sot + 11, 2, 1);
    Bytes second = {0xFF, 0x90, 0x00, 0x0A, 0x00, 0x00, 0, 0, 0, 0, 0x01, 0x02, 0xFF, 0x93};
    Put(second, 6, unsigned(second.size() + (eoc - split)), 4);
    parts.insert(parts.end(), second.begin(), second.end());
    parts.insert(parts.end(), b.begin() + long(split), b.end());
    EXPECT_TRUE(DecodesExactly(parts, s));

    Bytes open = b;
    Put(open, sot + 6, 0, 4);
    EXPECT_TRUE(DecodesExactly(open, s));
}

// Packets follow the first record of a progression-order change; one that
// covers the whole tile is decoded (the records after it have nothing left),
// one that changes the progression part-way is refused.
TEST(J2kCodestream, FirstPocRecordCoveringTheTileSetsTheProgression)
{
    J2kTestSpec s = SmallTiled();
    s.tileWidth = s.tileHeight = 0;
    s.order = 2;  // RPCL
    s.precinctExp = 2;
    s.cbw = s.cbh = 2;
    Bytes b = Coded(s);
    std::vector<Marker> m = Walk(b);
    size_t sot = Find(m, 0xFF90)->at, sod = Find(m, 0xFF93)->at;
    // Two records in the tile-part header: layers, resolutions and components
    // ending at 1, 3 and 3 (the first ending at firstEnd resolutions).
    auto withPoc = [&](unsigned first, unsigned last, unsigned firstEnd = 3) {
        Bytes poc = {0xFF, 0x5F, 0x00, 0x10, 0, 0, 0, 1, (unsigned char)firstEnd, 3,
                     (unsigned char)first, 0, 0, 0, 1, 3, 3, (unsigned char)last};
        Bytes p(b.begin(), b.begin() + long(sod));
        p.insert(p.end(), poc.begin(), poc.end());
        p.insert(p.end(), b.begin() + long(sod), b.end());
        Put(p, sot + 6, Get(p, sot + 6, 4) + unsigned(poc.size()), 4);
        return p;
    };
    EXPECT_TRUE(DecodesExactly(withPoc(2, 0), s));
    EXPECT_FALSE(DecodesExactly(withPoc(0, 2), s));
    EXPECT_EQ(DecodeResult(withPoc(2, 2, 2)), 0);
}

TEST(J2kCodestream, ParsedValuesBeyondTheLimitsFail)
{
    J2kTestSpec s = SmallTiled();
    const Bytes b = Coded(s, [](J2kCodingParameters& cp) { NarrowBlocks(cp, 2); });
    std::vector<Marker> m = Walk(b);
    size_t siz = Find(m, 0xFF51)->at, cod = Find(m, 0xFF52)->at, coc = Find(m, 0xFF53)->at;
    size_t qcd = Find(m, 0xFF5C)->at, sot = Find(m, 0xFF90, 1)->at;
    const struct {
        const char* what;
        size_t at;
        unsigned value;
        int bytes;
    } kCases[] = {
        {"image width 0", siz + 6, 0, 4},
        {"image origin past its end", siz + 14, 30, 4},
        {"tile width 0", siz + 22, 0, 4},
        {"tile origin past the image origin", siz + 30, 3, 4},
        {"no components", siz + 38, 0, 2},
        {"dx 0", siz + 41, 0, 1},
        {"dy 0", siz + 42, 0, 1},
        {"precision 32", siz + 40, 31, 1},
        {"34 resolutions", cod + 9, 33, 1},
        {"code-blocks 128 wide", cod + 10, 5, 1},
        {"code-blocks 128 high", cod + 11, 5, 1},
        {"no layers", cod + 6, 0, 2},
        {"101 layers", cod + 6, 101, 2},
        {"progression order 5", cod + 5, 5, 1},
        {"wavelet 2", cod + 13, 2, 1},
        {"component 3 of 3", coc + 4, 3, 1},
        {"quantisation style 3", qcd + 4, 3, 1},
        {"tile 4 of 4", sot + 4, 4, 2},
        {"tile-part shorter than its header", sot + 6, 13, 4},
    };
    for (const auto& c : kCases) {
        Bytes bad = b;
        Put(bad, c.at, c.value, c.bytes);
        EXPECT_EQ(DecodeResult(bad), 0) << c.what;
    }
    // The unmodified stream decodes.
    EXPECT_TRUE(DecodesExactly(b, s));
    // A transform over fewer than three components.
    J2kTestSpec two;
    two.components = 2;
    Bytes mct = Coded(two);
    Put(mct, Find(Walk(mct), 0xFF52)->at + 8, 1, 1);
    EXPECT_EQ(DecodeResult(mct), 0);
}

TEST(J2kCodestream, HostileLengthsAndTruncationsFailCleanly)
{
    J2kTestSpec s = SmallTiled();
    s.layers = 2;
    s.budgets[0] = 1000;
    s.precinctExp = 3;
    const Bytes b = Coded(s);
    std::vector<Marker> m = Walk(b);
    for (const Marker& k : m) {
        if (!k.length)
            continue;
        for (unsigned length : {0u, 1u, 0xFFFFu}) {
            Bytes bad = b;
            Put(bad, k.at + 2, length, 2);
            EXPECT_EQ(DecodeResult(bad), 0) << std::hex << k.code << " length " << length;
        }
    }
    for (size_t size = 0; size < b.size(); size++)
        EXPECT_EQ(DecodeResult(Bytes(b.begin(), b.begin() + long(size))), 0) << size;
    // Data cut inside a tile-part whose length still claims it all: what is
    // there is decoded, and the decode fails as a whole.
    Bytes shortData = b;
    size_t sod = Find(m, 0xFF93, 3)->at;
    shortData.erase(shortData.begin() + long(sod) + 10, shortData.end() - 2);
    EXPECT_EQ(DecodeResult(shortData), 0);
}

// Capabilities beyond ISO/IEC 15444-1 fail the decode instead of showing
// garbage: a high-throughput codestream carries all three signs below, and
// each alone is enough.
TEST(J2kCodestream, CapabilitiesTheCodecLacksAreRefused)
{
    J2kTestSpec s = SmallTiled();
    const Bytes b = Coded(s);
    std::vector<Marker> m = Walk(b);
    const size_t siz = Find(m, 0xFF51)->at, cod = Find(m, 0xFF52)->at;
    const size_t sod = Find(m, 0xFF93)->at, sot = Find(m, 0xFF90)->at;
    auto inserted = [&](size_t at, const Bytes& segment, bool inTilePart) {
        Bytes out = b;
        out.insert(out.begin() + long(at), segment.begin(), segment.end());
        if (inTilePart)
            Put(out, sot + 6, Get(out, sot + 6, 4) + unsigned(segment.size()), 4);
        return out;
    };
    const size_t afterSiz = siz + 2 + Get(b, siz + 2, 2);
    // CAP with Pcap naming part 15 and its Ccap word.
    const Bytes cap = {0xFF, 0x50, 0x00, 0x08, 0x00, 0x02, 0x00, 0x00, 0x00, 0x03};
    EXPECT_EQ(DecodeResult(inserted(afterSiz, cap, false)), 0) << "CAP";
    Bytes rsiz = b;
    Put(rsiz, siz + 4, 0x4000, 2);
    EXPECT_EQ(DecodeResult(rsiz), 0) << "Rsiz bit 14";
    Put(rsiz, siz + 4, 0x8000, 2);
    EXPECT_EQ(DecodeResult(rsiz), 0) << "Rsiz bit 15";
    Bytes style = b;
    Put(style, cod + 12, 0x40, 1);
    EXPECT_EQ(DecodeResult(style), 0) << "code-block style 0x40";
    // Packet headers packed into the main or a tile-part header.
    const Bytes ppm = {0xFF, 0x60, 0x00, 0x04, 0x00, 0x00};
    EXPECT_EQ(DecodeResult(inserted(afterSiz, ppm, false)), 0) << "PPM";
    const Bytes ppt = {0xFF, 0x61, 0x00, 0x04, 0x00, 0x00};
    EXPECT_EQ(DecodeResult(inserted(sod, ppt, true)), 0) << "PPT";
    const Bytes unknown = {0xFF, 0x4A, 0x00, 0x04, 0x12, 0x34};
    EXPECT_EQ(DecodeResult(inserted(sod, unknown, true)), 0) << "unknown in a tile-part";

    // What the codec does read still passes: a restricted profile, comments
    // in either header and packet lengths in a tile-part header.
    Bytes profile = b;
    Put(profile, siz + 4, 0x0002, 2);
    EXPECT_TRUE(DecodesExactly(profile, s));
    const Bytes com = {0xFF, 0x64, 0x00, 0x06, 0x00, 0x01, 'h', 'i'};
    const Bytes plt = {0xFF, 0x58, 0x00, 0x03, 0x00};
    Bytes commented = inserted(sod, com, true);
    commented.insert(commented.begin() + long(afterSiz), com.begin(), com.end());
    EXPECT_TRUE(DecodesExactly(commented, s));
    EXPECT_TRUE(DecodesExactly(inserted(sod, plt, true), s));

    CRasterJ2K codec;
    Bytes refused = inserted(afterSiz, cap, false);
    CMemoryStream memory(refused.data(), uint32_t(refused.size()));
    EXPECT_FALSE(codec.Decode(&memory));
    EXPECT_STREQ(codec.GetLastError(), "failed to decode J2K image!");
}
