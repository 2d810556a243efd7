// The movie file calls: files read back by GStreamer (stream size, rate,
// frame count and decoded frames), the size limit and failed writes.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "RunProgram.h"
#include "media/AviRiffWriter.h"
#include "media/VideoForWindows.h"
#include "temp_folder.h"

namespace {

const int kWidth = 37;  // rows of 111 bytes: padded to 112 in the frames
const int kHeight = 21;

// Bottom-up 24-bit DIB rows of frame f: blue, green, red differ per pixel.
std::vector<BYTE> FrameBits(int f)
{
    const size_t stride = (kWidth * 3 + 3) & ~3;
    std::vector<BYTE> bits(stride * kHeight, 0);
    for (int row = 0; row < kHeight; ++row)
        for (int x = 0; x < kWidth; ++x) {
            BYTE* p = &bits[row * stride + x * 3];
            p[0] = BYTE(x * 6 + f * 40);
            p[1] = BYTE(row * 11);
            p[2] = BYTE(200 - x * 3 - f * 20);
        }
    return bits;
}

BITMAPINFOHEADER Format()
{
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = kWidth;
    header.biHeight = kHeight;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = DWORD(FrameBits(0).size());
    return header;
}

// Writes frames through the calls in the order the movie writer makes them.
bool WriteMovie(const std::string& path, DWORD rate, int frames)
{
    PAVIFILE file = nullptr;
    PAVISTREAM raw = nullptr;
    PAVISTREAM compressed = nullptr;
    if (AVIFileOpen(&file, path.c_str(), OF_CREATE | OF_WRITE, nullptr) != AVIERR_OK)
        return false;
    AVISTREAMINFO info{};
    info.fccType = streamtypeVIDEO;
    info.dwScale = 1;
    info.dwRate = rate;
    info.dwQuality = DWORD(-1);
    info.rcFrame = RECT{0, 0, kWidth, kHeight};
    std::strcpy(info.szName, "Video Stream");
    AVICOMPRESSOPTIONS options{};
    options.fccType = streamtypeVIDEO;
    options.dwKeyFrameEvery = 1;
    options.dwFlags = AVICOMPRESSF_KEYFRAMES | AVICOMPRESSF_VALID;
    BITMAPINFOHEADER format = Format();
    bool ok = AVIFileCreateStream(file, &raw, &info) == AVIERR_OK &&
              AVIMakeCompressedStream(&compressed, raw, &options, nullptr) == AVIERR_OK &&
              AVIStreamSetFormat(compressed, 0, &format, sizeof format) == AVIERR_OK;
    for (int f = 0; ok && f < frames; ++f) {
        std::vector<BYTE> bits = FrameBits(f);
        ok = AVIStreamWrite(compressed, f, 1, bits.data(), LONG(bits.size()), 0, nullptr, nullptr) == AVIERR_OK;
    }
    AVIStreamRelease(compressed);
    AVIStreamRelease(raw);
    AVIFileRelease(file);
    return ok;
}

// Decoded RGB frames, top row first, through the AVI demuxer.
std::string DecodeFrames(const std::string& movie, const std::string& raw)
{
    RunProgram({"gst-launch-1.0", "-q", "filesrc", "location=" + movie, "!", "avidemux", "!", "videoconvert", "!",
                "video/x-raw,format=RGB", "!", "filesink", "location=" + raw});
    return TempFolder::Read(raw);
}

}  // namespace

TEST(AviWriter, GStreamerReadsSizeRateAndEveryFrameAsWritten)
{
    TempFolder work;
    const std::string movie = work.File("clip.avi");
    ASSERT_TRUE(WriteMovie(movie, 25, 3));
    const ProgramResult discovered = RunProgram({"gst-discoverer-1.0", "-v", movie});
    ASSERT_EQ(discovered.exitCode, 0) << discovered.output;
    EXPECT_NE(discovered.output.find("Width: 37"), std::string::npos) << discovered.output;
    EXPECT_NE(discovered.output.find("Height: 21"), std::string::npos);
    EXPECT_NE(discovered.output.find("Frame rate: 25/1"), std::string::npos);
    EXPECT_NE(discovered.output.find("Duration: 0:00:00.120000000"), std::string::npos);

    // Decoded rows are padded to 4 bytes, like the frames.
    const size_t stride = (kWidth * 3 + 3) & ~3;
    const std::string frames = DecodeFrames(movie, work.File("frames.rgb"));
    ASSERT_EQ(frames.size(), 3 * kHeight * stride);
    for (int f = 0; f < 3; ++f) {
        const std::vector<BYTE> bits = FrameBits(f);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const BYTE* dib = &bits[(kHeight - 1 - y) * stride + x * 3];
                const size_t at = (size_t(f) * kHeight + y) * stride + size_t(x) * 3;
                ASSERT_EQ(BYTE(frames[at]), dib[2]) << f << " " << x << " " << y;
                ASSERT_EQ(BYTE(frames[at + 1]), dib[1]);
                ASSERT_EQ(BYTE(frames[at + 2]), dib[0]);
            }
    }
    // Nothing is left beside the movie.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(work.path()), {}), 2);
}

TEST(AviWriter, FramesPastTheSizeLimitFailAndLeaveThePreviousFileAlone)
{
    TempFolder work;
    const std::string movie = work.Write("clip.avi", "old contents");
    const std::vector<BYTE> bits = FrameBits(0);
    BITMAPINFOHEADER format = Format();
    // Room for the headers and two frames, not three.
    AviRiffWriter writer(movie, 400 + 2 * (bits.size() + 8));
    ASSERT_TRUE(writer.SetFormat(&format, sizeof format));
    EXPECT_TRUE(writer.WriteFrame(0, bits.data(), bits.size(), true));
    EXPECT_TRUE(writer.WriteFrame(1, bits.data(), bits.size(), true));
    EXPECT_FALSE(writer.WriteFrame(2, bits.data(), bits.size(), true));
    EXPECT_TRUE(writer.HasFailed());
    EXPECT_FALSE(writer.WriteFrame(2, bits.data(), bits.size(), true));
    EXPECT_FALSE(writer.Finish());
    EXPECT_EQ(TempFolder::Read(movie), "old contents");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(work.path()), {}), 1);
}

TEST(AviWriter, RefusesFramesOutOfOrderCompressorsAndOtherModes)
{
    TempFolder work;
    PAVIFILE file = nullptr;
    EXPECT_EQ(AVIFileOpen(&file, work.File("a.avi").c_str(), OF_READ, nullptr), AVIERR_UNSUPPORTED);
    EXPECT_EQ(file, nullptr);
    ASSERT_EQ(AVIFileOpen(&file, work.File("a.avi").c_str(), OF_CREATE | OF_WRITE, nullptr), AVIERR_OK);
    AVISTREAMINFO info{};
    info.fccType = streamtypeVIDEO;
    info.dwScale = 1;
    info.dwRate = 15;
    PAVISTREAM raw = nullptr;
    PAVISTREAM compressed = nullptr;
    ASSERT_EQ(AVIFileCreateStream(file, &raw, &info), AVIERR_OK);
    AVICOMPRESSOPTIONS options{};
    options.fccHandler = mmioFOURCC('X', 'V', 'I', 'D');
    EXPECT_EQ(AVIMakeCompressedStream(&compressed, raw, &options, nullptr), AVIERR_UNSUPPORTED);
    BITMAPINFOHEADER format = Format();
    ASSERT_EQ(AVIStreamSetFormat(raw, 0, &format, sizeof format), AVIERR_OK);
    std::vector<BYTE> bits = FrameBits(0);
    EXPECT_EQ(AVIStreamWrite(raw, 1, 1, bits.data(), LONG(bits.size()), 0, nullptr, nullptr), AVIERR_FILEWRITE);
    AVIStreamRelease(raw);
    AVIFileRelease(file);
    // The refused write failed the movie: nothing is put in place.
    EXPECT_FALSE(std::filesystem::exists(work.File("a.avi")));
}

namespace {

DWORD Le32(const std::string& bytes, size_t at)
{
    return DWORD(BYTE(bytes[at])) | DWORD(BYTE(bytes[at + 1])) << 8 | DWORD(BYTE(bytes[at + 2])) << 16 |
           DWORD(BYTE(bytes[at + 3])) << 24;
}

}  // namespace

// Read from the bytes as written: index offsets count from the "movi" code
// of the movie list (the first frame at 4), each naming a "00db" chunk of
// the indexed size; odd frames are padded; the stream header keeps scale and
// rate apart, and the main header holds the microseconds they give.
TEST(AviWriter, IndexOffsetsCountFromTheMovieListAndHeadersHoldScaleAndRate)
{
    TempFolder work;
    const std::string movie = work.File("clip.avi");
    BITMAPINFOHEADER format = Format();
    const std::vector<BYTE> bits = FrameBits(1);
    const size_t sizes[] = {bits.size() - 1, bits.size()};
    {
        AviRiffWriter writer(movie);
        writer.SetTiming(1001, 30000);
        ASSERT_TRUE(writer.SetFormat(&format, sizeof format));
        ASSERT_TRUE(writer.WriteFrame(0, bits.data(), sizes[0], true));
        ASSERT_TRUE(writer.WriteFrame(1, bits.data(), sizes[1], true));
        ASSERT_TRUE(writer.Finish());
    }
    const std::string file = TempFolder::Read(movie);
    const size_t strh = file.find("strh");
    ASSERT_NE(strh, std::string::npos);
    EXPECT_EQ(file.substr(strh + 8, 4), "vids");
    EXPECT_EQ(Le32(file, strh + 8 + 20), 1001u);
    EXPECT_EQ(Le32(file, strh + 8 + 24), 30000u);
    EXPECT_EQ(Le32(file, strh + 8 + 32), 2u);
    const size_t avih = file.find("avih");
    EXPECT_EQ(Le32(file, avih + 8), 33366u);
    EXPECT_EQ(Le32(file, avih + 8 + 16), 2u);

    const size_t movi = file.find("movi");
    const size_t idx1 = file.find("idx1");
    ASSERT_NE(movi, std::string::npos);
    ASSERT_NE(idx1, std::string::npos);
    EXPECT_EQ(file.substr(movi - 8, 4), "LIST");
    EXPECT_EQ(Le32(file, movi - 4), idx1 - movi);
    EXPECT_EQ(Le32(file, idx1 + 4), 32u);
    const DWORD expectedOffsets[] = {4, DWORD(4 + 8 + sizes[0] + 1)};
    for (int f = 0; f < 2; ++f) {
        const size_t entry = idx1 + 8 + 16 * size_t(f);
        EXPECT_EQ(file.substr(entry, 4), "00db");
        EXPECT_EQ(Le32(file, entry + 4), 0x10u);
        const DWORD offset = Le32(file, entry + 8);
        EXPECT_EQ(offset, expectedOffsets[f]) << f;
        EXPECT_EQ(Le32(file, entry + 12), sizes[f]);
        EXPECT_EQ(file.substr(movi + offset, 4), "00db") << f;
        EXPECT_EQ(Le32(file, movi + offset + 4), sizes[f]);
        EXPECT_EQ(file.substr(movi + offset + 8, sizes[f]), std::string(bits.begin(), bits.begin() + sizes[f]));
    }
    EXPECT_EQ(Le32(file, 4), file.size() - 8);
}
