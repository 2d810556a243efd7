// Every decoder is fed damaged copies of real files through the probe: each
// attempt ends with a result, never a crash, a hang or a stray message.
#include <gtest/gtest.h>

#include <random>

#include "codec_test_util.h"

using namespace codectest;

namespace {

std::vector<std::vector<unsigned char>> SampleFiles(const std::string& dir)
{
    std::string src = MakeSourcePpm(dir, 24, 16);
    std::vector<std::string> cmds = {
        "gm convert '" + src + "' BMP3:-",
        "gm convert '" + src + "' -colors 100 -compress RLE BMP3:-",
        "cjpeg '" + src + "'",
        "cjpeg -progressive '" + src + "'",
        "pnmtopng -force -interlace '" + src + "'",
        "pnmtopng '" + src + "'",
        "gm convert '" + src + "' -interlace Line GIF:-",
        "cd '" + dir + "' && gm convert source.ppm a.gif && gifsicle a.gif --position 3,2 --disposal previous a.gif",
        "cd '" + dir + "' && gm convert source.ppm a.tif && tiffcp -c lzw -t -w 16 -l 16 a.tif t.tif && cat t.tif",
        "gm convert '" + src + "' -colorspace gray -depth 16 TIFF:-",
        "ppmtotga '" + src + "' 2>/dev/null",
        "ppmtopcx '" + src + "' 2>/dev/null",
        "gm convert '" + src + "' -monochrome pbm:- | pbmtowbmp",
    };
    std::vector<std::vector<unsigned char>> files;
    for (size_t i = 0; i < cmds.size(); i++) {
        std::string path = dir + "/s" + std::to_string(i);
        EXPECT_EQ(Shell(cmds[i] + " > '" + path + "'"), 0) << cmds[i];
        files.push_back(ReadFile(path));
    }
    EXPECT_EQ(Shell("icotool -c -o '" + dir + "/s.ico' '" + dir + "/s5'"), 0);
    files.push_back(ReadFile(dir + "/s.ico"));
    return files;
}

void DecodeEverything(const std::vector<unsigned char>& bytes)
{
    for (DWORD type : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 9u}) {
        CRasterImage img;
        bool ok = img.Decode(const_cast<unsigned char*>(bytes.data()), DWORD(bytes.size()), type);
        // The icon decoder leaves the text alone for a bad directory; the
        // GIF decoder fails without a text of its own.
        if (!ok && type != 5u && type != 2u) {
            ASSERT_STRNE(img.GetLastError(), "");
        }
    }
}

} // namespace

TEST(MalformedInput, TruncatedFiles)
{
    auto files = SampleFiles(ScratchDir("malformed-truncated"));
    for (const auto& file : files)
        for (size_t n = 0; n < file.size(); n += 1 + n / 8)
            DecodeEverything(std::vector<unsigned char>(file.begin(), file.begin() + long(n)));
}

TEST(MalformedInput, FlippedBytes)
{
    auto files = SampleFiles(ScratchDir("malformed-flipped"));
    std::mt19937 random(1234);
    for (const auto& file : files) {
        for (int round = 0; round < 60; round++) {
            std::vector<unsigned char> damaged = file;
            int flips = 1 + int(random() % 8);
            for (int i = 0; i < flips; i++) {
                size_t at = random() % std::min<size_t>(damaged.size(), 200);
                damaged[at] = BYTE(random());
            }
            DecodeEverything(damaged);
        }
    }
}

TEST(MalformedInput, ArbitraryBytes)
{
    std::mt19937 random(99);
    for (int round = 0; round < 200; round++) {
        std::vector<unsigned char> bytes(random() % 400);
        for (auto& b : bytes)
            b = BYTE(random());
        // Give the probe plausible starts now and then.
        static const std::vector<std::vector<unsigned char>> heads = {
            {'B', 'M'}, {0xFF, 0xD8, 0xFF}, {0x89, 'P', 'N', 'G', 13, 10, 26, 10}, {0, 0, 1, 0}};
        if (round % 2 && !bytes.empty()) {
            const auto& h = heads[size_t(round / 2) % heads.size()];
            for (size_t i = 0; i < h.size() && i < bytes.size(); i++)
                bytes[i] = h[i];
        }
        DecodeEverything(bytes);
    }
}
