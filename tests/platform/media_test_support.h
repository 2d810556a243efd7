// Clips made with gst-launch-1.0 for the media tests, and a graph holder.
#pragma once

#include "media/media.h"

#include <functional>
#include <string>
#include <vector>

namespace media_test {

// Half a second each: 64x48 video at 16 frames per second, 44.1 kHz audio.
struct Clips {
    std::string videoWithAudio;
    std::string videoOnly;
    std::string audioOnly;
    std::string directory;
};

const Clips& GeneratedClips();
std::string WriteFile(const std::string& name, const std::string& bytes);
bool LaunchPipeline(const std::string& pipeline);

const LONGLONG kHalfSecond = 5000000; // 100 ns units

struct PostedMessage {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// Captures what the graph posts; installed by every media test.
std::vector<PostedMessage>& Posted();
void InstallPostHook();

// Pumps graph events until the condition holds. The five-minute bound only
// keeps a broken graph from hanging the suite; no test relies on it.
bool PumpUntil(const std::function<bool()>& condition);

struct Graph {
    IGraphBuilder* builder = nullptr;
    IMediaControl* control = nullptr;
    IMediaEventEx* events = nullptr;
    IMediaSeeking* seeking = nullptr;
    IVideoWindow* video = nullptr;
    IBasicAudio* audio = nullptr;
    IBasicVideo* basicVideo = nullptr;

    Graph();
    ~Graph();
    void ReleaseAll();
    HRESULT Render(const std::string& path);
    // The next queued event, waiting for it as PumpUntil does.
    LONG NextEvent(LONG_PTR* param1 = nullptr);
    LONGLONG Position();
};

} // namespace media_test
