// GIF: files from GraphicsMagick and gifsicle decode to their pixels, every
// animation frame composes as gifsicle composes it, and our three coders
// write files that GraphicsMagick and gifsicle read back exactly.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

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

std::string Gm(const std::string& path)
{
    return "gm convert '" + path + "' -depth 8 ppm:-";
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
// frame's rectangle shows that frame's own colours.
TEST(GifAnimation, LocalTablesKeepTheirColours)
{
    std::string dir = ScratchDir("gif");
    ASSERT_EQ(Shell("cd '" + dir + "' && gm convert -size 40x30 plasma:red-blue -colors 250 h0.gif &&"
                    " gm convert -size 20x16 plasma:green-yellow -colors 250 h1.gif &&"
                    " gifsicle h0.gif --position 5,7 h1.gif > anim.gif 2>/dev/null &&"
                    " gifsicle --explode anim.gif -o frame 2>/dev/null"),
              0);
    GifLayout layout = ParseGif(ReadFile(dir + "/anim.gif"));
    ASSERT_EQ(layout.images.size(), 2u);
    ASSERT_EQ(layout.images[1].localColours, 256);
    CRasterImage img;
    img.SetFrame(1);
    ASSERT_TRUE(img.Load((dir + "/anim.gif").c_str(), RASTER_FORMAT_GIF));
    EXPECT_EQ(img.GetBpp(), 24);
    Pnm first = Reference(Gm(dir + "/frame.000"));
    Pnm second = Reference(Gm(dir + "/frame.001"));
    ASSERT_EQ(second.width, 20);
    int worst = 0;
    for (int y = 0; y < 30; y++)
        for (int x = 0; x < 40; x++) {
            bool inside = x >= 5 && x < 25 && y >= 7 && y < 23;
            Rgb want = inside ? second.At(x - 5, y - 7) : first.At(x, y);
            Rgb got = PixelTopDown(img, x, y);
            worst = std::max({worst, abs(got.r - want.r), abs(got.g - want.g), abs(got.b - want.b)});
        }
    EXPECT_EQ(worst, 0);
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

// The screen may be at most four times the frames' area (beyond 4M
// pixels): frames far apart do not make room for a screen of background.
// Below that the true-colour canvas is cleared to the first frame's
// background colour around the frames.
TEST(GifDecode, ScreenIsBoundByTheFramesArea)
{
    std::string dir = ScratchDir("gif");
    ASSERT_EQ(Shell("cd '" + dir + "' && gm convert -size 1000x1050 xc:'#c02020' -fill '#2040e0' -draw 'rectangle 0,0 9,9' a.gif && "
                    "gm convert -size 1000x1050 xc:'#10a0f0' b.gif"), 0);
    for (int height : {2800, 2801}) {
        std::string anim = dir + "/anim.gif";
        ASSERT_EQ(Shell("cd '" + dir + "' && gifsicle --logical-screen 3000x" + std::to_string(height) +
                        " --position 40,30 a.gif --position 1900,1700 b.gif > anim.gif"), 0);
        std::vector<unsigned char> bytes = ReadFile(anim);
        CRasterImage img;
        img.SetFrame(1);
        if (height > 2800) {
            EXPECT_FALSE(img.Load(anim.c_str(), RASTER_FORMAT_GIF));
            continue;
        }
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
    }
}
