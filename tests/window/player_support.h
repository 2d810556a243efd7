// Clips made with gst-launch-1.0 for the player tests, a parent window that
// records the player's event messages, and a pump for graph and window
// messages together.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "DSPlayer.h"

namespace player_test {

// A second and a half each: 64x48 video at 16 frames per second, a 44.1 kHz tone.
struct Clips {
    std::string directory;
    std::string video;     // video.avi
    std::string withAudio; // both.avi
    std::string tone;      // tone.wav
    bool made = false;
};

const Clips& GeneratedClips();
// Writes bytes into the clip folder and returns the path.
std::string WriteClipFile(const std::string& name, const std::string& bytes);
std::string ReadFileBytes(const std::string& path);

// Pumps graph events and window messages until the condition holds. The
// five-minute bound only keeps a broken player from hanging the suite.
bool PumpUntil(const std::function<bool()>& condition);
void PumpFor(int ms);
// Milliseconds passed since `since`: a clip plays no faster than that.
long MillisecondsSince(std::chrono::steady_clock::time_point since);

class EventHost : public CWnd {
public:
    std::vector<std::pair<WPARAM, LPARAM>> events;
    std::vector<UINT> clicks; // mouse messages passed on by the player
    int CountOf(WPARAM code) const;

protected:
    LRESULT OnPlayerEvent(WPARAM code, LPARAM param);
    LRESULT OnPress(WPARAM, LPARAM);
    LRESULT OnDoubleClick(WPARAM, LPARAM);
    DECLARE_MESSAGE_MAP()
};

} // namespace player_test
