#include "player_support.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>
#include <unistd.h>

#include "wnd/simulation.h"

namespace player_test {

namespace {

// One folder per test process (tests run in parallel), removed at exit.
struct ClipDirectory {
    std::string path;
    ClipDirectory()
    {
        std::string pattern = std::string(BINARY_DIR) + "/player-clips-XXXXXX";
        if (mkdtemp(pattern.data()))
            path = pattern;
    }
    ~ClipDirectory()
    {
        if (!path.empty())
            std::filesystem::remove_all(path);
    }
};

bool Launch(const std::string& pipeline)
{
    const std::string command = "gst-launch-1.0 -q " + pipeline + " > /dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

const char* kVideo = "videotestsrc num-buffers=24 ! video/x-raw,width=64,height=48,framerate=16/1";
const char* kAudio = "audiotestsrc num-buffers=15 samplesperbuffer=4410 ! audio/x-raw,rate=44100,channels=1";

Clips Generate()
{
    static ClipDirectory directory;
    Clips clips;
    clips.directory = directory.path;
    clips.video = clips.directory + "/video.avi";
    clips.withAudio = clips.directory + "/both.avi";
    clips.tone = clips.directory + "/tone.wav";
    clips.made = !clips.directory.empty() &&
                 Launch(std::string(kVideo) + " ! avimux ! filesink location=" + clips.video) &&
                 Launch(std::string(kVideo) + " ! avimux name=mux ! filesink location=" + clips.withAudio + " " +
                        kAudio + " ! mux.") &&
                 Launch(std::string(kAudio) + " ! wavenc ! filesink location=" + clips.tone);
    return clips;
}

} // namespace

const Clips& GeneratedClips()
{
    static const Clips clips = Generate();
    return clips;
}

std::string WriteClipFile(const std::string& name, const std::string& bytes)
{
    const std::string path = GeneratedClips().directory + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

std::string ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool PumpUntil(const std::function<bool()>& condition)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(5);
    for (;;) {
        MediaPumpEvents();
        PlatformPumpMessages();
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void PumpFor(int ms)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    PumpUntil([&] { return std::chrono::steady_clock::now() >= end; });
}

long MillisecondsSince(std::chrono::steady_clock::time_point since)
{
    return long(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - since).count());
}

BEGIN_MESSAGE_MAP(EventHost, CWnd)
    ON_MESSAGE(PlayerEventMessage, OnPlayerEvent)
    ON_MESSAGE(WM_LBUTTONDOWN, OnPress)
    ON_MESSAGE(WM_LBUTTONDBLCLK, OnDoubleClick)
END_MESSAGE_MAP()

LRESULT EventHost::OnPress(WPARAM, LPARAM)
{
    clicks.push_back(WM_LBUTTONDOWN);
    return 0;
}

LRESULT EventHost::OnDoubleClick(WPARAM, LPARAM)
{
    clicks.push_back(WM_LBUTTONDBLCLK);
    return 0;
}

LRESULT EventHost::OnPlayerEvent(WPARAM code, LPARAM param)
{
    events.push_back({code, param});
    return 0;
}

int EventHost::CountOf(WPARAM code) const
{
    int count = 0;
    for (const auto& event : events)
        count += event.first == code;
    return count;
}

} // namespace player_test
