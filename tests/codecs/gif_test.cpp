// GIF: files from GraphicsMagick and gifsicle decode to their pixels, every
// animation frame composes as gifsicle composes it, and our three coders
// write files that GraphicsMagick and gifsicle read back exactly.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>

#include "MemoryStream.h"
#include "RasterGIF.h"
#include "codec_test_util.h"

using namespace codectest;

namespace {

// The blocks of a GIF file as far as the tests look at them.
struct GifImage {
    int left = 0, top = 0, width = 0, height = 0;
    int localColours = 0;
    int codeSize = 0;
    std::vector<int> packets;
};
struct GifLayout {
    int screenWidth = 0, screenHeight = 0, globalColours = 0;
    int loops = -1;
    std::string comment;
    std::vector<GifImage> images;
};

GifLayout ParseGif(const std::vector<unsigned char>& b)
{
    GifLayout g;
    auto le16 = [&](size_t at) { return b[at] | (b[at + 1] << 8); };
    g.screenWidth = le16(6);
    g.screenHeight = le16(8);
    size_t at = 13;
    if (b[10] & 0x80) {
        g.globalColours = 2 << (b[10] & 7);
        at += size_t(3 * g.globalColours);
    }
    auto blocks = [&](std::vector<int>* sizes, std::string* text) {
        while (at < b.size() && b[at] != 0) {
            if (sizes)
                sizes->push_back(b[at]);
            if (text)
                text->append(reinterpret_cast<const char*>(&b[at + 1]), b[at]);
            at += size_t(b[at]) + 1;
        }
        at++;
    };
    while (at < b.size() && b[at] != 0x3B) {
        if (b[at] == 0x21) {
            int label = b[at + 1];
            at += 2;
            if (label == 0xFF && b[at] == 11 && memcmp(&b[at + 1], "NETSCAPE2.0", 11) == 0)
                g.loops = le16(at + 14);
            blocks(nullptr, label == 0xFE ? &g.comment : nullptr);
        } else {
            GifImage img;
            img.left = le16(at + 1);
            img.top = le16(at + 3);
            img.width = le16(at + 5);
            img.height = le16(at + 7);
            int packed = b[at + 9];
            at += 10;
            if (packed & 0x80) {
                img.localColours = 2 << (packed & 7);
                at += size_t(3 * img.localColours);
            }
            img.codeSize = b[at++];
            blocks(&img.packets, nullptr);
            g.images.push_back(img);
        }
    }
    return g;
}

// An 8-bit picture whose indices vary enough to fill the LZW table several
// times over, with runs of many lengths for the run-length coder.
void FillTestIndices(CRasterImage& img, int colours)
{
    unsigned seed = 11;
    for (long y = 0; y < long(img.GetHeight()); y++) {
        long x = 0;
        while (x < long(img.GetWidth())) {
            seed = seed * 1103515245u + 12345u;
            long run = (seed >> 24) % 3 == 0 ? long((seed >> 8) % 70) + 1 : 1;
            BYTE index = BYTE((seed >> 16) % unsigned(colours));
            for (long i = 0; i < run && x < long(img.GetWidth()); i++, x++)
                img.SetPixelIndex(x, y, index);
        }
    }
}

void FillPalette(CRasterImage& img)
{
    for (DWORD i = 0; i < img.GetNumColors(); i++)
        img.SetPaletteColor(BYTE(i), BYTE(i * 7 + 3), BYTE(255 - i * 3), BYTE(i * 13 + 40));
}

// A picture that walks through the 256 colours `colour` gives, `step`
// colours a column and `width` a row.
Pnm AllColours(int width, int height, int step, Rgb (*colour)(int))
{
    Pnm pnm;
    pnm.width = width;
    pnm.height = height;
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
            pnm.pixels.push_back(colour((step * x + width * y + 5) % 256));
    return pnm;
}

void WritePpm(const std::string& path, const Pnm& pnm)
{
    std::string header = "P6\n" + std::to_string(pnm.width) + " " + std::to_string(pnm.height) + "\n255\n";
    std::vector<unsigned char> bytes(header.begin(), header.end());
    for (const Rgb& c : pnm.pixels)
        bytes.insert(bytes.end(), {uint8_t(c.r), uint8_t(c.g), uint8_t(c.b)});
    WriteFile(path, bytes);
}

std::string Gm(const std::string& path)
{
    return "gm convert '" + path + "' -depth 8 ppm:-";
}

// LZW codes of `indices` as the format defines them, without the clear
// code most writers put first: a string goes into the table with each
// code after the first, and the code width grows when the next free code
// reaches it.
std::vector<unsigned char> LzwWithoutLeadingClear(const std::vector<int>& indices, int codeSize)
{
    const int clear = 1 << codeSize, end = clear + 1;
    std::map<std::vector<int>, int> table;
    for (int i = 0; i < clear; i++)
        table[{i}] = i;
    std::vector<int> codes;
    std::vector<int> string;
    for (int index : indices) {
        std::vector<int> longer = string;
        longer.push_back(index);
        if (table.count(longer)) {
            string = longer;
            continue;
        }
        codes.push_back(table[string]);
        table[longer] = clear + 2 + int(codes.size()) - 1;
        string = {index};
    }
    codes.push_back(table[string]);
    codes.push_back(end);
    std::vector<unsigned char> packed;
    uint32_t accumulator = 0;
    int bits = 0, width = codeSize + 1, next = clear + 2;
    for (size_t k = 0; k < codes.size(); k++) {
        accumulator |= uint32_t(codes[k]) << bits;
        for (bits += width; bits >= 8; bits -= 8, accumulator >>= 8)
            packed.push_back(uint8_t(accumulator));
        if (k > 0 && ++next == (1 << width) && width < 12)
            width++;
    }
    if (bits > 0)
        packed.push_back(uint8_t(accumulator));
    return packed;
}

void AppendLe16(std::vector<unsigned char>& b, int v)
{
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}

} // namespace

TEST(GifDecode, MatchesGraphicsMagick)
{
    std::string dir = ScratchDir("gif");
    std::string src = MakeSourcePpm(dir);
    // Name, writer, and the file whose pixels it must show.
    const std::vector<std::vector<std::string>> files = {
        {"plain.gif", "gm convert '" + src + "' GIF:-", "plain.gif"},
        {"interlaced.gif", "gm convert '" + src + "' -interlace Line GIF:-", "plain.gif"},
        {"four.gif", "gm convert '" + src + "' -colors 4 GIF:-", "four.gif"},
        {"short.gif", "gm convert '" + src + "' -crop 37x3+0+9 +repage GIF:-", "short.gif"},
        // Three rows: the interlace passes that start at rows 4 and 2 have
        // nothing, or only part, to write.
        {"short-interlaced.gif", "gifsicle -i short.gif", "short.gif"},
        {"gifsicle.gif", "gifsicle -i plain.gif", "plain.gif"},
        // Wider than a 16-bit signed line length.
        {"wide.gif", "gm convert -size 33000x2 gradient:'#ff0000-#0000ff' -colors 64 GIF:-", "wide.gif"},
    };
    for (const auto& f : files) {
        std::string path = dir + "/" + f[0];
        ASSERT_EQ(Shell("cd '" + dir + "' && " + f[1] + " > '" + path + "'"), 0) << f[1];
        CRasterImage img;
        ASSERT_TRUE(img.Load(path.c_str(), RASTER_FORMAT_GIF)) << f[0] << ": " << img.GetLastError();
        EXPECT_EQ(img.GetType(), DWORD(RASTER_FORMAT_GIF));
        EXPECT_EQ(img.GetNumFrames(), 1);
        EXPECT_EQ(MaxDifference(img, Reference(Gm(dir + "/" + f[2]))), 0) << f[0];
    }
}

// Data that starts with a pixel code instead of a clear code, as some
// writers make it, decodes as GraphicsMagick decodes it.
TEST(GifDecode, DataWithoutLeadingClearCode)
{
    const int width = 40, height = 30;
    std::vector<int> indices;
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
            indices.push_back((x / 3 + y * y / 7 + (x * y) % 5) % 4);
    const unsigned char palette[12] = {0xd0, 0x20, 0x10, 0x10, 0xc0, 0x20, 0x20, 0x40, 0xe0, 0xf0, 0xe0, 0x30};
    std::vector<unsigned char> gif = {'G', 'I', 'F', '8', '9', 'a'};
    AppendLe16(gif, width);
    AppendLe16(gif, height);
    gif.insert(gif.end(), {0x81, 0, 0});
    gif.insert(gif.end(), palette, palette + 12);
    gif.push_back(0x2C);
    for (int v : {0, 0, width, height})
        AppendLe16(gif, v);
    gif.insert(gif.end(), {0, 2});
    std::vector<unsigned char> data = LzwWithoutLeadingClear(indices, 2);
    for (size_t at = 0; at < data.size(); at += 200) {
        size_t n = std::min<size_t>(200, data.size() - at);
        gif.push_back(uint8_t(n));
        gif.insert(gif.end(), data.begin() + long(at), data.begin() + long(at + n));
    }
    gif.insert(gif.end(), {0, 0x3B});
    std::string path = ScratchDir("gif") + "/noclear.gif";
    WriteFile(path, gif);

    Pnm reference = Reference(Gm(path));
    ASSERT_EQ(reference.width, width);
    CRasterImage img;
    ASSERT_TRUE(img.Load(path.c_str(), RASTER_FORMAT_GIF));
    EXPECT_EQ(MaxDifference(img, reference), 0);
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            const unsigned char* c = palette + 3 * indices[size_t(y * width + x)];
            ASSERT_EQ(PixelTopDown(img, x, y), (Rgb{c[0], c[1], c[2]})) << x << "," << y;
        }
}

TEST(GifEncode, EveryCoderIsReadBackExactly)
{
    std::string dir = ScratchDir("gif");
    for (DWORD bpp : {8u, 4u, 1u}) {
        CRasterImage img(301, 203, bpp);
        FillPalette(img);
        FillTestIndices(img, int(img.GetNumColors()));
        for (DWORD coder : {0u, 1u, 2u}) {
            SCOPED_TRACE("bpp " + std::to_string(bpp) + " coder " + std::to_string(coder));
            img.SetCodecOption(coder, RASTER_FORMAT_GIF);
            std::string path = dir + "/c" + std::to_string(bpp) + "_" + std::to_string(coder) + ".gif";
            ASSERT_TRUE(img.Save(path.c_str(), RASTER_FORMAT_GIF)) << img.GetLastError();
            EXPECT_EQ(MaxDifference(img, Reference(Gm(path))), 0);
            EXPECT_EQ(MaxDifference(img, Reference("gifsicle '" + path + "' | " + Gm("-"))), 0);

            GifLayout layout = ParseGif(ReadFile(path));
            ASSERT_EQ(layout.images.size(), 1u);
            const GifImage& image = layout.images[0];
            EXPECT_EQ(layout.globalColours, int(img.GetNumColors()));
            EXPECT_EQ(image.codeSize, bpp == 1 ? 2 : int(bpp));
            int largest = *std::max_element(image.packets.begin(), image.packets.end());
            EXPECT_EQ(largest, coder == 2 ? 255 : 254);

            CRasterImage back;
            ASSERT_TRUE(back.Load(path.c_str(), RASTER_FORMAT_GIF));
            EXPECT_EQ(back.GetBpp(), bpp);
            EXPECT_EQ(memcmp(back.GetBits(), img.GetBits(), img.GetEffWidth() * img.GetHeight()), 0);
        }
    }
}

TEST(GifEncode, TrueColourGoesOutInCellsWithTheirOwnTables)
{
    std::string dir = ScratchDir("gif");
    CRasterImage src;
    std::string png = dir + "/source.png";
    ASSERT_EQ(Shell("gm convert '" + MakeSourcePpm(dir, 40, 20) + "' '" + png + "'"), 0);
    ASSERT_TRUE(src.Load(png.c_str(), RASTER_FORMAT_PNG));
    std::string path = dir + "/cells.gif";
    ASSERT_TRUE(src.Save(path.c_str(), RASTER_FORMAT_GIF));

    GifLayout layout = ParseGif(ReadFile(path));
    EXPECT_EQ(layout.globalColours, 0);
    ASSERT_EQ(layout.images.size(), 6u);
    const int expected[6][4] = {{0, 0, 17, 15}, {17, 0, 17, 15}, {34, 0, 6, 15},
                                {0, 15, 17, 5}, {17, 15, 17, 5}, {34, 15, 6, 5}};
    for (size_t i = 0; i < 6; i++) {
        const GifImage& cell = layout.images[i];
        EXPECT_EQ(std::vector<int>({cell.left, cell.top, cell.width, cell.height}),
                  std::vector<int>(expected[i], expected[i] + 4));
        EXPECT_EQ(cell.localColours, 256);
        Pnm ref = Reference(Gm(path + "[" + std::to_string(i) + "]"));
        ASSERT_EQ(ref.width, cell.width);
        for (int y = 0; y < cell.height; y++)
            for (int x = 0; x < cell.width; x++)
                ASSERT_EQ(ref.At(x, y), PixelTopDown(src, cell.left + x, cell.top + y)) << i << ": " << x << "," << y;
    }
    CRasterImage back;
    ASSERT_TRUE(back.Load(path.c_str(), RASTER_FORMAT_GIF));
    EXPECT_EQ(back.GetBpp(), 24);
    EXPECT_EQ(back.GetNumFrames(), 6);
    EXPECT_EQ(MaxDifference(back, Reference("gm convert '" + png + "' -depth 8 ppm:-")), 0);
}

// Offsets, screen columns no frame covers, restore to background, restore
// to previous, transparency and an interlaced frame, each frame composed
// as gifsicle composes it.
TEST(GifAnimation, FramesMatchGifsicle)
{
    std::string dir = ScratchDir("gif");
    auto make = [&](const std::string& name, const std::string& args) {
        ASSERT_EQ(Shell("cd '" + dir + "' && gm convert " + args + " " + name), 0) << args;
    };
    make("f0.gif", "-size 40x30 xc:'#204080' -fill '#e0c020' -draw 'rectangle 2,3 20,12'");
    make("f1.gif", "-size 13x9 xc:'#c02020' -fill '#10a0f0' -draw 'rectangle 1,1 5,4'");
    make("f2.gif", "-size 7x11 xc:'#30d050' -fill black -draw 'rectangle 1,2 3,8'");
    make("f3.gif", "-size 11x6 xc:'#f0f0f0' -fill '#803010' -draw 'rectangle 0,0 4,2'");
    std::string anim = dir + "/anim.gif";
    ASSERT_EQ(Shell("cd '" + dir + "' && gifsicle --disposal none f0.gif --disposal background --position 5,7 f1.gif"
                    " --disposal previous -t black --position 22,15 -i f2.gif --disposal none"
                    " --position 31,1 f3.gif --position 3,20 f1.gif > anim.gif"),
              0);
    ASSERT_EQ(Shell("cd '" + dir + "' && gifsicle -U --explode anim.gif -o frame"), 0);
    for (int frame = 0; frame < 5; frame++) {
        SCOPED_TRACE("frame " + std::to_string(frame));
        CRasterImage img;
        img.SetFrame(frame);
        ASSERT_TRUE(img.Load(anim.c_str(), RASTER_FORMAT_GIF));
        EXPECT_EQ(img.GetNumFrames(), 5);
        EXPECT_EQ(img.GetWidth(), 42u);
        EXPECT_EQ(MaxDifference(img, Reference(Gm(dir + "/frame.00" + std::to_string(frame)))), 0);
    }
    // One pass over the file hands the same frames, in order.
    std::vector<unsigned char> bytes = ReadFile(anim);
    CMemoryStream stream(bytes.data(), uint32_t(bytes.size()));
    CRasterGIF codec;
    int handed = 0;
    ASSERT_TRUE(codec.DecodeFrames(&stream, [&](CRasterImage& frame) {
        EXPECT_EQ(frame.GetFrame(), handed);
        EXPECT_EQ(MaxDifference(frame, Reference(Gm(dir + "/frame.00" + std::to_string(handed)))), 0) << handed;
        return ++handed < 4;
    }));
    EXPECT_EQ(handed, 4);
    // The conversion tool picks a frame the same way.
    std::string tool = std::string(BINARY_DIR) + "/tools/rasterconv";
    std::string out = Capture("'" + tool + "' --frame 3 '" + anim + "' '" + dir + "/third.png'");
    EXPECT_NE(out.find("width=42\nheight=30\nbpp=4\nformat=2\nframes=5\n"), std::string::npos) << out;
    Pnm third = Reference(Gm(dir + "/third.png")), reference = Reference(Gm(dir + "/frame.003"));
    EXPECT_TRUE(third.pixels == reference.pixels);

    CRasterImage beyond;
    beyond.SetFrame(5);
    EXPECT_FALSE(beyond.Load(anim.c_str(), RASTER_FORMAT_GIF));
}

// Frames with tables of their own are composed in true colour: each
// frame's rectangle shows that frame's own colours. Each frame uses 256
// colours and the two share none, so the second carries a full table of
// its own and a frame shown through the other's table goes wrong everywhere.
TEST(GifAnimation, LocalTablesKeepTheirColours)
{
    std::string dir = ScratchDir("gif");
    const Pnm first = AllColours(40, 30, 1, [](int k) { return Rgb{k, (k * 37 + 11) & 255, 2 * (k % 128)}; });
    const Pnm second = AllColours(20, 16, 3, [](int k) { return Rgb{(k * 91 + 3) & 255, k, 2 * (k % 128) + 1}; });
    WritePpm(dir + "/h0.ppm", first);
    WritePpm(dir + "/h1.ppm", second);
    ASSERT_EQ(Shell("cd '" + dir + "' && gm convert h0.ppm h0.gif && gm convert h1.ppm h1.gif &&"
                    " gifsicle h0.gif --position 5,7 h1.gif > anim.gif 2>/dev/null"),
              0);
    GifLayout layout = ParseGif(ReadFile(dir + "/anim.gif"));
    ASSERT_EQ(layout.images.size(), 2u);
    ASSERT_EQ(layout.globalColours, 256);
    ASSERT_EQ(layout.images[1].localColours, 256);
    CRasterImage img;
    img.SetFrame(1);
    ASSERT_TRUE(img.Load((dir + "/anim.gif").c_str(), RASTER_FORMAT_GIF));
    EXPECT_EQ(img.GetBpp(), 24);
    for (int y = 0; y < 30; y++)
        for (int x = 0; x < 40; x++) {
            bool inside = x >= 5 && x < 25 && y >= 7 && y < 23;
            Rgb want = inside ? second.At(x - 5, y - 7) : first.At(x, y);
            ASSERT_EQ(PixelTopDown(img, x, y), want) << x << "," << y;
        }
}

// The canvas keeps the transparent index the first frame gave it, whatever
// the frames after it declare.
TEST(GifAnimation, CanvasKeepsTheFirstFramesTransparency)
{
    CRasterImage a(23, 17, 8), b(23, 17, 8);
    FillPalette(a);
    FillPalette(b);
    FillTestIndices(a, 256);
    FillTestIndices(b, 200);
    for (bool firstTransparent : {true, false}) {
        SCOPED_TRACE(firstTransparent ? "first frame transparent" : "second frame transparent");
        a.SetTransIndex(firstTransparent ? 7 : -1);
        b.SetTransIndex(firstTransparent ? -1 : 9);
        CRasterImage* frames[] = {&a, &b};
        CMemoryStream out;
        ASSERT_TRUE(out.Open());
        CRasterGIF gif;
        ASSERT_TRUE(gif.Encode(&out, frames, 2));
        const unsigned char* bytes = out.GetBuffer(false);
        GifLayout layout = ParseGif(std::vector<unsigned char>(bytes, bytes + out.Size()));
        ASSERT_EQ(layout.images.size(), 2u);
        ASSERT_EQ(layout.images[1].localColours, 0);
        for (long frame : {0L, 1L}) {
            CRasterImage back;
            back.SetFrame(frame);
            ASSERT_TRUE(back.Decode(out.GetBuffer(false), DWORD(out.Size()), RASTER_FORMAT_GIF));
            EXPECT_EQ(back.GetBpp(), 8);
            EXPECT_EQ(back.GetTransIndex(), firstTransparent ? 7 : -1) << "frame " << frame;
        }
    }
}

TEST(GifEncode, FramesLoopsAndComment)
{
    std::string dir = ScratchDir("gif");
    CRasterImage a(23, 17, 8), b(23, 17, 8), c(23, 17, 4);
    FillPalette(a);
    b.SetStdPalette();
    FillPalette(c);
    FillTestIndices(a, 256);
    FillTestIndices(b, 200);
    FillTestIndices(c, 16);
    CRasterImage* frames[] = {&a, &b, &c};
    const std::pair<int, int> loops[] = {{0, 0}, {1, -1}, {3, 2}};
    for (const auto& loop : loops) {
        CMemoryStream out;
        ASSERT_TRUE(out.Open());
        CRasterGIF gif;
        gif.SetLoops(loop.first);
        gif.SetComment(std::string(300, 'k').c_str());
        ASSERT_TRUE(gif.Encode(&out, frames, 3));
        std::vector<unsigned char> bytes(out.GetBuffer(false), out.GetBuffer(false) + out.Size());
        GifLayout layout = ParseGif(bytes);
        EXPECT_EQ(layout.loops, loop.second);
        EXPECT_EQ(layout.comment, std::string(255, 'k'));
        ASSERT_EQ(layout.images.size(), 3u);
        // Frames whose palette differs from the first carry their own.
        EXPECT_EQ(layout.images[1].localColours, 256);
        EXPECT_EQ(layout.images[2].localColours, 16);
        std::string path = dir + "/frames" + std::to_string(loop.first) + ".gif";
        WriteFile(path, bytes);
        EXPECT_EQ(MaxDifference(c, Reference(Gm(path + "[2]"))), 0);
    }
    char comment[256];
    CRasterGIF gif;
    gif.SetComment(std::string(300, 'k').c_str());
    gif.GetComment(comment);
    EXPECT_EQ(std::string(comment), std::string(255, 'k'));

    CRasterImage owner;
    CMemoryStream out;
    ASSERT_TRUE(out.Open());
    EXPECT_FALSE(owner.Encode(&out, nullptr, 0, RASTER_FORMAT_GIF));
    EXPECT_STREQ(owner.GetLastError(), "multipage GIF, no images!");
    CRasterImage* withNull[] = {&a, nullptr};
    EXPECT_FALSE(owner.Encode(&out, withNull, 2, RASTER_FORMAT_GIF));
    EXPECT_STREQ(owner.GetLastError(), "Bad image pointer");
    EXPECT_TRUE(owner.Encode(&out, frames, 3, RASTER_FORMAT_GIF));
}

// A frame reaching past the logical screen is clipped to it; a code size
// the colour table cannot hold fails the frame.
TEST(GifDecode, FrameOutsideScreenAndBadCodeSize)
{
    std::string dir = ScratchDir("gif");
    CRasterImage img(9, 5, 8);
    FillPalette(img);
    FillTestIndices(img, 256);
    img.SetOffset(4, 2);
    CMemoryStream out;
    ASSERT_TRUE(out.Open());
    ASSERT_TRUE(img.Encode(&out, RASTER_FORMAT_GIF));
    std::vector<unsigned char> bytes(out.GetBuffer(false), out.GetBuffer(false) + out.Size());
    // The screen stays 9 x 5 while the frame sits at (4, 2).
    CRasterImage back;
    ASSERT_TRUE(back.Decode(bytes.data(), DWORD(bytes.size()), RASTER_FORMAT_GIF));
    ASSERT_EQ(back.GetWidth(), 9u);
    ASSERT_EQ(back.GetHeight(), 5u);
    for (int y = 0; y < 5; y++)
        for (int x = 0; x < 9; x++) {
            bool covered = x >= 4 && y >= 2;
            Rgb want = covered ? PixelTopDown(img, x - 4, y - 2) : Rgb{img.GetPaletteColor(0).rgbRed,
                                                                         img.GetPaletteColor(0).rgbGreen,
                                                                         img.GetPaletteColor(0).rgbBlue};
            EXPECT_EQ(PixelTopDown(back, x, y), want) << x << "," << y;
        }
    size_t codeSizeAt = 13 + 768 + 8 + 10;
    ASSERT_EQ(bytes[codeSizeAt], 8);
    bytes[codeSizeAt] = 9;
    CRasterImage bad;
    EXPECT_FALSE(bad.Decode(bytes.data(), DWORD(bytes.size()), RASTER_FORMAT_GIF));
}

// The screen may be four times the frames' area, or up to 16M pixels
// whatever the frames: frames far apart do not make room for more
// background than that. The true-colour canvas is cleared to the first
// frame's background colour around the frames.
TEST(GifDecode, ScreenIsBoundByTheFramesArea)
{
    std::string dir = ScratchDir("gif");
    ASSERT_EQ(Shell("cd '" + dir + "' && gm convert -size 1000x1050 xc:'#c02020' -fill '#2040e0' -draw 'rectangle 0,0 9,9' a.gif && "
                    "gm convert -size 1000x1050 xc:'#10a0f0' b.gif && "
                    "gm convert -size 100x100 xc:'#30d050' -fill '#f0e020' -draw 'rectangle 0,0 9,4' small.gif"), 0);
    std::string anim = dir + "/anim.gif";
    ASSERT_EQ(Shell("cd '" + dir + "' && gifsicle --logical-screen 3000x2800 --position 40,30 a.gif "
                    "--position 1900,1700 b.gif > anim.gif"), 0);
    std::vector<unsigned char> bytes = ReadFile(anim);
    CRasterImage img;
    img.SetFrame(1);
    ASSERT_TRUE(img.Load(anim.c_str(), RASTER_FORMAT_GIF));
    ASSERT_EQ(img.GetWidth(), 3000u);
    ASSERT_EQ(img.GetHeight(), 2800u);
    ASSERT_EQ(img.GetBpp(), 24);
    ASSERT_TRUE(bytes[10] & 0x80);
    Rgb background = {bytes[13], bytes[14], bytes[15]};
    ASSERT_FALSE(background == (Rgb{0xc0, 0x20, 0x20}));
    for (auto [x, y] : {std::pair{0, 0}, {2999, 0}, {39, 500}, {40, 29}, {1040, 30}, {2999, 2799}, {1899, 2000}})
        EXPECT_EQ(PixelTopDown(img, x, y), background) << x << "," << y;
    EXPECT_EQ(PixelTopDown(img, 49, 39), (Rgb{0x20, 0x40, 0xe0}));
    for (auto [x, y] : {std::pair{50, 30}, {1039, 1079}})
        EXPECT_EQ(PixelTopDown(img, x, y), (Rgb{0xc0, 0x20, 0x20})) << x << "," << y;
    for (auto [x, y] : {std::pair{1900, 1700}, {2899, 2749}})
        EXPECT_EQ(PixelTopDown(img, x, y), (Rgb{0x10, 0xa0, 0xf0})) << x << "," << y;

    struct Screen {
        int width, height;
        bool opens;
    };
    for (Screen screen : {Screen{2100, 2000, true}, Screen{4096, 4096, true}, Screen{4096, 4097, false}}) {
        std::string size = std::to_string(screen.width) + "x" + std::to_string(screen.height);
        SCOPED_TRACE(size);
        ASSERT_EQ(Shell("cd '" + dir + "' && gifsicle --logical-screen " + size +
                        " --position 30,20 small.gif > big.gif"), 0);
        CRasterImage big;
        ASSERT_EQ(big.Load((dir + "/big.gif").c_str(), RASTER_FORMAT_GIF), screen.opens);
        if (!screen.opens) {
            EXPECT_STREQ(big.GetLastError(), "GIF screen too large for its frames");
            continue;
        }
        ASSERT_EQ(big.GetWidth(), DWORD(screen.width));
        ASSERT_EQ(big.GetHeight(), DWORD(screen.height));
        EXPECT_EQ(PixelTopDown(big, 39, 24), (Rgb{0xf0, 0xe0, 0x20}));
        EXPECT_EQ(PixelTopDown(big, 40, 24), (Rgb{0x30, 0xd0, 0x50}));
        EXPECT_EQ(PixelTopDown(big, 129, 119), (Rgb{0x30, 0xd0, 0x50}));
    }
}
