#include "media_test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <unistd.h>

namespace media_test {

namespace {

// One folder per test process (tests run in parallel), removed at exit.
struct ClipDirectory {
    std::string path;
    ClipDirectory()
    {
        std::string pattern = std::string(BINARY_DIR) + "/media-clips-XXXXXX";
        if (mkdtemp(pattern.data()))
            path = pattern;
    }
    ~ClipDirectory()
    {
        if (!path.empty())
            std::filesystem::remove_all(path);
    }
};

std::string MakeDirectory()
{
    static ClipDirectory directory;
    return directory.path;
}

} // namespace

bool LaunchPipeline(const std::string& pipeline)
{
    std::string command = "gst-launch-1.0 -q " + pipeline + " > /dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

namespace {

const char* kVideo = "videotestsrc num-buffers=8 ! video/x-raw,width=64,height=48,framerate=16/1";
const char* kAudio = "audiotestsrc num-buffers=5 samplesperbuffer=4410 ! audio/x-raw,rate=44100,channels=1";

Clips Generate()
{
    Clips clips;
    clips.directory = MakeDirectory();
    clips.videoWithAudio = clips.directory + "/both.avi";
    clips.videoOnly = clips.directory + "/video.avi";
    clips.audioOnly = clips.directory + "/tone.wav";
    EXPECT_TRUE(LaunchPipeline(std::string(kVideo) + " ! avimux name=mux ! filesink location=" + clips.videoWithAudio +
                       " " + kAudio + " ! mux."));
    EXPECT_TRUE(LaunchPipeline(std::string(kVideo) + " ! avimux ! filesink location=" + clips.videoOnly));
    EXPECT_TRUE(LaunchPipeline(std::string(kAudio) + " ! wavenc ! filesink location=" + clips.audioOnly));
    return clips;
}

} // namespace

const Clips& GeneratedClips()
{
    static const Clips clips = Generate();
    return clips;
}

std::string WriteFile(const std::string& name, const std::string& bytes)
{
    std::string path = GeneratedClips().directory + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

std::vector<PostedMessage>& Posted()
{
    static std::vector<PostedMessage> posted;
    return posted;
}

static void CapturePost(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Posted().push_back(PostedMessage{window, message, wParam, lParam});
}

void InstallPostHook()
{
    SetMediaHeadless(true);
    SetMediaPostMessageHook(CapturePost);
    Posted().clear();
}

bool PumpUntil(const std::function<bool()>& condition)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(5);
    for (;;) {
        MediaPumpEvents();
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

Graph::Graph()
{
    EXPECT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                               reinterpret_cast<void**>(&builder)),
              S_OK);
    if (!builder)
        return;
    builder->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control));
    builder->QueryInterface(IID_IMediaEventEx, reinterpret_cast<void**>(&events));
    builder->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&seeking));
    builder->QueryInterface(IID_IVideoWindow, reinterpret_cast<void**>(&video));
    builder->QueryInterface(IID_IBasicAudio, reinterpret_cast<void**>(&audio));
    builder->QueryInterface(IID_IBasicVideo, reinterpret_cast<void**>(&basicVideo));
}

Graph::~Graph()
{
    ReleaseAll();
}

template <typename Interface>
static void ReleaseInterface(Interface*& pointer)
{
    if (pointer)
        pointer->Release();
    pointer = nullptr;
}

void Graph::ReleaseAll()
{
    ReleaseInterface(events);
    ReleaseInterface(seeking);
    ReleaseInterface(control);
    ReleaseInterface(audio);
    ReleaseInterface(basicVideo);
    ReleaseInterface(video);
    ReleaseInterface(builder);
}

HRESULT Graph::Render(const std::string& path)
{
    return builder->RenderFile(path.c_str(), nullptr);
}

LONG Graph::NextEvent(LONG_PTR* param1)
{
    LONG code = 0;
    LONG_PTR first = 0, second = 0;
    bool got = PumpUntil([&] { return SUCCEEDED(events->GetEvent(&code, &first, &second, 0)); });
    if (!got)
        return 0;
    EXPECT_EQ(events->FreeEventParams(code, first, second), S_OK);
    if (param1)
        *param1 = first;
    return code;
}

LONGLONG Graph::Position()
{
    LONGLONG position = -1;
    EXPECT_EQ(seeking->GetCurrentPosition(&position), S_OK);
    return position;
}

} // namespace media_test
