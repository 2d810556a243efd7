#include <gtest/gtest.h>

#include "media_test_support.h"

#include <fstream>
#include <iterator>
#include <unistd.h>

using namespace media_test;

namespace {

class MediaFailure : public ::testing::Test {
protected:
    void SetUp() override { InstallPostHook(); }

    // A failed render ends (no hang) and leaves an empty graph that refuses
    // everything politely.
    void ExpectRenderFails(const std::string& path)
    {
        Graph graph;
        HRESULT result = graph.Render(path);
        EXPECT_TRUE(FAILED(result)) << path << " gave " << std::hex << result;

        LONGLONG position = 0;
        EXPECT_TRUE(FAILED(graph.seeking->GetDuration(&position)));
        EXPECT_TRUE(FAILED(graph.seeking->GetCurrentPosition(&position)));
        EXPECT_TRUE(FAILED(graph.control->Run()));
        LONG volume = 0, width = 0, height = 0;
        EXPECT_TRUE(FAILED(graph.audio->get_Volume(&volume)));
        EXPECT_EQ(graph.basicVideo->GetVideoSize(&width, &height), E_NOINTERFACE);
        LONG code = 0;
        LONG_PTR param1 = 0, param2 = 0;
        EXPECT_EQ(graph.events->GetEvent(&code, &param1, &param2, 0), E_ABORT);
    }
};

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A one-note standard MIDI file: nothing installed plays MIDI.
std::string MidiFile()
{
    const unsigned char bytes[] = {
        'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96,
        'M', 'T', 'r', 'k', 0, 0, 0, 12,
        0x00, 0x90, 60, 100, 0x60, 0x80, 60, 0, 0x00, 0xFF, 0x2F, 0x00,
    };
    return std::string(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

} // namespace

TEST_F(MediaFailure, MissingFileIsNotFound)
{
    Graph graph;
    EXPECT_EQ(graph.Render(GeneratedClips().directory + "/absent.avi"), VFW_E_FILE_NOT_FOUND);
    EXPECT_EQ(graph.builder->RenderFile(static_cast<const char*>(nullptr), nullptr), E_POINTER);
}

TEST_F(MediaFailure, RandomBytesNamedAviDoNotRender)
{
    std::string noise;
    unsigned seed = 12345;
    for (int i = 0; i < 20000; ++i) {
        seed = seed * 1103515245u + 12345u;
        noise.push_back(char(seed >> 16));
    }
    ExpectRenderFails(WriteFile("noise.avi", noise));
}

TEST_F(MediaFailure, TruncatedAviDoesNotRender)
{
    std::string clip = ReadAll(GeneratedClips().videoWithAudio);
    ASSERT_GT(clip.size(), 300u);
    ExpectRenderFails(WriteFile("cut.avi", clip.substr(0, 300)));
}

TEST_F(MediaFailure, EmptyFileDoesNotRender)
{
    ExpectRenderFails(WriteFile("empty.wav", ""));
}

TEST_F(MediaFailure, MidiDoesNotRender)
{
    ExpectRenderFails(WriteFile("tune.mid", MidiFile()));
}

// Pack headers and empty video packets: no demuxer for it is installed.
TEST_F(MediaFailure, MpegProgramStreamDoesNotRender)
{
    const unsigned char pack[] = {0, 0, 1, 0xBA, 0x44, 0, 4, 0, 4, 1, 1, 0x89, 0xC3, 0xF8,
                                  0, 0, 1, 0xE0, 0, 8, 0x81, 0x80, 5, 0x21, 0, 1, 0, 1};
    std::string stream;
    for (int i = 0; i < 40; ++i)
        stream.append(reinterpret_cast<const char*>(pack), sizeof pack);
    ExpectRenderFails(WriteFile("program.mpg", stream));
}

// H.264 can be written here but not decoded.
TEST_F(MediaFailure, UndecodableVideoAloneFailsAndBesideSoundIsLeftOut)
{
    std::string video = "videotestsrc num-buffers=8 ! video/x-raw,width=64,height=48,framerate=16/1 ! x264enc";
    std::string sound = "audiotestsrc num-buffers=5 samplesperbuffer=4410 ! audio/x-raw,rate=44100,channels=1";
    std::string alone = GeneratedClips().directory + "/h264.avi";
    std::string both = GeneratedClips().directory + "/h264-sound.avi";
    if (!LaunchPipeline(video + " ! avimux ! filesink location=" + alone) ||
        !LaunchPipeline(video + " ! avimux name=mux ! filesink location=" + both + " " + sound + " ! mux."))
        GTEST_SKIP() << "no H.264 encoder";
    ExpectRenderFails(alone);

    Graph graph;
    EXPECT_EQ(graph.Render(both), VFW_S_PARTIAL_RENDER);
    LONG width = 0, height = 0, volume = 1;
    EXPECT_EQ(graph.basicVideo->GetVideoSize(&width, &height), E_NOINTERFACE);
    EXPECT_EQ(graph.audio->get_Volume(&volume), S_OK);
    EXPECT_EQ(graph.control->Run(), S_OK);
    EXPECT_EQ(graph.NextEvent(), EC_COMPLETE);
}

TEST_F(MediaFailure, ClipCutShortAfterOpeningStillEnds)
{
    std::string path = WriteFile("cut-later.avi", ReadAll(GeneratedClips().videoWithAudio));
    Graph graph;
    ASSERT_EQ(graph.Render(path), S_OK);
    ASSERT_EQ(truncate(path.c_str(), 4000), 0);
    ASSERT_EQ(graph.control->Run(), S_OK);
    LONG code = graph.NextEvent();
    EXPECT_TRUE(code == EC_COMPLETE || code == EC_ERRORABORT) << code;
}

TEST_F(MediaFailure, DirectoryDoesNotRender)
{
    Graph graph;
    EXPECT_TRUE(FAILED(graph.Render(GeneratedClips().directory)));
}

TEST_F(MediaFailure, SecondRenderOnOneGraphIsRefused)
{
    Graph graph;
    ASSERT_EQ(graph.Render(GeneratedClips().audioOnly), S_OK);
    EXPECT_EQ(graph.Render(GeneratedClips().videoOnly), VFW_E_WRONG_STATE);
}

// The caller converts its path to UTF-16 or wide characters before rendering.
TEST_F(MediaFailure, WidePathsWithNonAsciiNamesRender)
{
    std::string path = WriteFile("tone-\xC3\xA9\xE5\xBD\xB1.wav", ReadAll(GeneratedClips().audioOnly));
    std::u16string wide;
    for (const char* p = GeneratedClips().directory.c_str(); *p; ++p)
        wide.push_back(char16_t(*p));
    wide += u"/tone-\u00e9\u5f71.wav";
    Graph graph;
    EXPECT_EQ(graph.builder->RenderFile(reinterpret_cast<const unsigned short*>(wide.c_str()), nullptr), S_OK);
    LONG width = 0, height = 0;
    EXPECT_EQ(graph.basicVideo->GetVideoSize(&width, &height), E_NOINTERFACE);

    std::wstring wider(wide.begin(), wide.end());
    Graph again;
    EXPECT_EQ(again.builder->RenderFile(wider.c_str(), nullptr), S_OK);
    const unsigned short loneSurrogate[] = {0xD800, 'a', 0};
    EXPECT_EQ(again.builder->RenderFile(loneSurrogate, nullptr), E_INVALIDARG);
}

TEST(MediaGraphObject, CreationAndInterfaces)
{
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(CoCreateInstance(MediaClassId(99), nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, &object),
              (HRESULT)0x80040154L);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, nullptr),
              E_POINTER);

    IMediaControl* control = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IMediaControl,
                               reinterpret_cast<void**>(&control)),
              S_OK);
    IBasicVideo* video = nullptr;
    ASSERT_EQ(control->QueryInterface(IID_IBasicVideo, reinterpret_cast<void**>(&video)), S_OK);
    EXPECT_EQ(control->QueryInterface(MediaInterfaceId(99), &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(control->Release(), 1u);
    EXPECT_EQ(video->Release(), 0u);
}
