#include <gtest/gtest.h>

#include "media_test_support.h"

#include "base/wintime.h"

#include <chrono>
#include <thread>

using namespace media_test;

namespace {

const HWND kPlayer = reinterpret_cast<HWND>(0x1000);
const UINT kGraphNotify = 4024;
// GetState waits for the state change itself, however long a busy machine takes.
const LONG kUntilDone = static_cast<LONG>(INFINITE);
// A timed wait that only a hang outlasts: it ends on the event.
const LONG kFiveMinutes = 5 * 60 * 1000;

class MediaGraph : public ::testing::Test {
protected:
    void SetUp() override { InstallPostHook(); }
};

void ExpectNear(LONGLONG actual, LONGLONG expected, LONGLONG tolerance)
{
    EXPECT_LE(std::llabs(actual - expected), tolerance) << actual << " vs " << expected;
}

// Graph time, in 100 ns units, that has passed since `since`: playback
// follows the clock, so a clip run from its start is no further on.
LONGLONG ClockUnitsSince(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - since).count() / 100;
}

} // namespace

TEST_F(MediaGraph, VideoClipPlaysToEndAndNotifiesTheOwner)
{
    Graph graph;
    ASSERT_EQ(graph.Render(GeneratedClips().videoWithAudio), S_OK);

    LONG width = 0, height = 0;
    EXPECT_EQ(graph.basicVideo->GetVideoSize(&width, &height), S_OK);
    EXPECT_EQ(width, 64);
    EXPECT_EQ(height, 48);
    LONGLONG duration = 0, stop = 0;
    EXPECT_EQ(graph.seeking->GetDuration(&duration), S_OK);
    ExpectNear(duration, kHalfSecond, kHalfSecond / 10);
    EXPECT_EQ(graph.seeking->GetStopPosition(&stop), S_OK);
    EXPECT_EQ(stop, duration);
    OAFilterState state = -1;
    EXPECT_EQ(graph.control->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Stopped);
    EXPECT_EQ(graph.Position(), 0);

    EXPECT_EQ(graph.events->SetNotifyWindow(reinterpret_cast<OAHWND>(kPlayer), kGraphNotify, 77), S_OK);
    EXPECT_EQ(graph.control->Run(), S_OK);
    ASSERT_TRUE(PumpUntil([] { return !Posted().empty(); }));
    EXPECT_EQ(Posted()[0].window, kPlayer);
    EXPECT_EQ(Posted()[0].message, kGraphNotify);
    EXPECT_EQ(Posted()[0].lParam, 77);

    LONG code = 0;
    LONG_PTR param1 = -1, param2 = -1;
    ASSERT_EQ(graph.events->GetEvent(&code, &param1, &param2, 0), S_OK);
    EXPECT_EQ(code, EC_COMPLETE);
    EXPECT_EQ(param1, S_OK);
    EXPECT_EQ(graph.events->FreeEventParams(code, param1, param2), S_OK);
    EXPECT_EQ(graph.events->GetEvent(&code, &param1, &param2, 0), E_ABORT);
    EXPECT_GE(graph.Position(), duration * 8 / 10);
    EXPECT_EQ(graph.control->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Running);
}

TEST_F(MediaGraph, GetEventWaitsWithoutAMainLoop)
{
    Graph graph;
    ASSERT_EQ(graph.Render(GeneratedClips().audioOnly), S_OK);
    ASSERT_EQ(graph.control->Run(), S_OK);
    LONG code = 0;
    LONG_PTR param1 = 0, param2 = 0;
    ASSERT_EQ(graph.events->GetEvent(&code, &param1, &param2, kFiveMinutes), S_OK);
    EXPECT_EQ(code, EC_COMPLETE);
    EXPECT_TRUE(Posted().empty());
}

// The end is queued once the first window hears of it; a window set while
// it still waits in the queue is told at once.
TEST_F(MediaGraph, NotifyWindowSetLateIsToldOfQueuedEvents)
{
    Graph graph;
    ASSERT_EQ(graph.Render(GeneratedClips().audioOnly), S_OK);
    const HWND first = reinterpret_cast<HWND>(0x2000);
    graph.events->SetNotifyWindow(reinterpret_cast<OAHWND>(first), kGraphNotify, 5);
    EXPECT_TRUE(Posted().empty());
    ASSERT_EQ(graph.control->Run(), S_OK);
    ASSERT_TRUE(PumpUntil([] { return !Posted().empty(); }));
    EXPECT_EQ(Posted()[0].window, first);
    Posted().clear();
    graph.events->SetNotifyWindow(reinterpret_cast<OAHWND>(kPlayer), kGraphNotify, 6);
    ASSERT_EQ(Posted().size(), 1u);
    EXPECT_EQ(Posted()[0].window, kPlayer);
    EXPECT_EQ(Posted()[0].lParam, 6);
    EXPECT_EQ(graph.NextEvent(), EC_COMPLETE);
}

TEST_F(MediaGraph, AudioOnlyClipHasNoVideo)
{
    Graph graph;
    ASSERT_EQ(graph.Render(GeneratedClips().audioOnly), S_OK);
    LONG width = -1, height = -1;
    EXPECT_EQ(graph.basicVideo->GetVideoSize(&width, &height), E_NOINTERFACE);
    EXPECT_EQ(graph.video->put_Owner(reinterpret_cast<OAHWND>(kPlayer)), E_NOINTERFACE);
    EXPECT_EQ(graph.video->put_Visible(OAFALSE), E_NOINTERFACE);
    EXPECT_EQ(graph.video->SetWindowPosition(0, 0, 10, 10), E_NOINTERFACE);
    LONGLONG duration = 0;
    EXPECT_EQ(graph.seeking->GetDuration(&duration), S_OK);
    ExpectNear(duration, kHalfSecond, kHalfSecond / 10);
    EXPECT_EQ(graph.control->Run(), S_OK);
    EXPECT_EQ(graph.NextEvent(), EC_COMPLETE);
}

TEST_F(MediaGraph, VolumeIsInHundredthsOfADecibel)
{
    Graph graph;
    ASSERT_EQ(graph.Render(GeneratedClips().videoWithAudio), S_OK);
    LONG volume = 1;
    EXPECT_EQ(graph.audio->get_Volume(&volume), S_OK);
    EXPECT_EQ(volume, 0);
    EXPECT_EQ(graph.audio->put_Volume(-10000), S_OK);
    EXPECT_EQ(graph.audio->get_Volume(&volume), S_OK);
    EXPECT_EQ(volume, -10000);
    EXPECT_EQ(graph.audio->put_Volume(-2000), S_OK);
    EXPECT_EQ(graph.audio->put_Volume(1), E_INVALIDARG);
    EXPECT_EQ(graph.audio->put_Volume(-10001), E_INVALIDARG);
    EXPECT_EQ(graph.audio->get_Volume(&volume), S_OK);
    EXPECT_EQ(volume, -2000);

    // Muted playback still runs to its end.
    EXPECT_EQ(graph.audio->put_Volume(-10000), S_OK);
    EXPECT_EQ(graph.control->Run(), S_OK);
    EXPECT_EQ(graph.NextEvent(), EC_COMPLETE);
}

TEST_F(MediaGraph, ClipWithoutSoundHasNoVolume)
{
    Graph graph;
    ASSERT_EQ(graph.Render(GeneratedClips().videoOnly), S_OK);
    LONG volume = 0;
    EXPECT_EQ(graph.audio->get_Volume(&volume), E_NOTIMPL);
    EXPECT_EQ(graph.audio->put_Volume(-10000), E_NOTIMPL);
    LONG width = 0, height = 0;
    EXPECT_EQ(graph.basicVideo->GetVideoSize(&width, &height), S_OK);
    EXPECT_EQ(width, 64);
}

TEST_F(MediaGraph, PausedBeforeRunHoldsThePosition)
{
    Graph graph;
    ASSERT_EQ(graph.Render(GeneratedClips().videoWithAudio), S_OK);
    EXPECT_EQ(graph.control->Pause(), S_OK);
    OAFilterState state = -1;
    EXPECT_EQ(graph.control->GetState(kUntilDone, &state), S_OK);
    EXPECT_EQ(state, State_Paused);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    MediaPumpEvents();
    EXPECT_EQ(graph.Position(), 0);
    LONG code = 0;
    LONG_PTR param1 = 0, param2 = 0;
    EXPECT_EQ(graph.events->GetEvent(&code, &param1, &param2, 0), E_ABORT);

    EXPECT_EQ(graph.control->Run(), S_OK);
    EXPECT_EQ(graph.NextEvent(), EC_COMPLETE);
}

TEST_F(MediaGraph, SeekingWhilePausedMovesThePosition)
{
    Graph graph;
    ASSERT_EQ(graph.Render(GeneratedClips().videoWithAudio), S_OK);
    LONGLONG duration = 0;
    graph.seeking->GetDuration(&duration);
    ASSERT_EQ(graph.control->Pause(), S_OK);
    LONGLONG target = duration / 2;
    EXPECT_EQ(graph.seeking->SetPositions(&target, AM_SEEKING_AbsolutePositioning, nullptr,
                                          AM_SEEKING_NoPositioning),
              S_OK);
    OAFilterState state;
    EXPECT_EQ(graph.control->GetState(kUntilDone, &state), S_OK);
    ExpectNear(graph.Position(), target, duration / 8);
    LONGLONG stop = 0;
    EXPECT_EQ(graph.seeking->GetStopPosition(&stop), S_OK);
    EXPECT_EQ(stop, duration);

    EXPECT_EQ(graph.seeking->SetPositions(nullptr, AM_SEEKING_AbsolutePositioning, nullptr,
                                          AM_SEEKING_NoPositioning),
              E_POINTER);
    LONGLONG negative = -1;
    EXPECT_EQ(graph.seeking->SetPositions(&negative, AM_SEEKING_AbsolutePositioning, nullptr,
                                          AM_SEEKING_NoPositioning),
              E_INVALIDARG);
}

TEST_F(MediaGraph, StopPositionEndsPlaybackEarly)
{
    Graph graph;
    ASSERT_EQ(graph.Render(GeneratedClips().videoWithAudio), S_OK);
    LONGLONG start = 0, stop = kHalfSecond / 2;
    ASSERT_EQ(graph.seeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, &stop,
                                          AM_SEEKING_AbsolutePositioning),
              S_OK);
    LONGLONG reported = 0;
    EXPECT_EQ(graph.seeking->GetStopPosition(&reported), S_OK);
    EXPECT_EQ(reported, stop);
    EXPECT_EQ(graph.control->Run(), S_OK);
    EXPECT_EQ(graph.NextEvent(), EC_COMPLETE);
    EXPECT_LE(graph.Position(), stop + kHalfSecond / 10);
}

TEST_F(MediaGraph, SeekingPastTheEndCompletesAtOnce)
{
    Graph graph;
    ASSERT_EQ(graph.Render(GeneratedClips().videoWithAudio), S_OK);
    LONGLONG duration = 0;
    graph.seeking->GetDuration(&duration);
    LONGLONG far = duration * 100;
    EXPECT_EQ(graph.seeking->SetPositions(&far, AM_SEEKING_AbsolutePositioning, nullptr,
                                          AM_SEEKING_NoPositioning),
              S_OK);
    EXPECT_LE(graph.Position(), duration);
    EXPECT_EQ(graph.control->Run(), S_OK);
    EXPECT_EQ(graph.NextEvent(), EC_COMPLETE);
}

// The player's way to play a clip once more: rewind at the end and run.
TEST_F(MediaGraph, RewoundAfterTheEndPlaysAgain)
{
    Graph graph;
    ASSERT_EQ(graph.Render(GeneratedClips().videoWithAudio), S_OK);
    ASSERT_EQ(graph.control->Run(), S_OK);
    ASSERT_EQ(graph.NextEvent(), EC_COMPLETE);
    LONGLONG start = 0;
    const auto rewound = std::chrono::steady_clock::now();
    ASSERT_EQ(graph.seeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr,
                                          AM_SEEKING_NoPositioning),
              S_OK);
    const LONGLONG position = graph.Position();
    EXPECT_LE(position, ClockUnitsSince(rewound));
    ASSERT_EQ(graph.control->Run(), S_OK);
    EXPECT_EQ(graph.NextEvent(), EC_COMPLETE);

    ASSERT_EQ(graph.seeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr,
                                          AM_SEEKING_NoPositioning),
              S_OK);
    ASSERT_EQ(graph.control->Pause(), S_OK);
    OAFilterState state;
    EXPECT_EQ(graph.control->GetState(kUntilDone, &state), S_OK);
    EXPECT_EQ(state, State_Paused);
    EXPECT_LT(graph.Position(), kHalfSecond / 2);
}

// Full screen is toggled by reading the mode back and swapping the drain.
TEST_F(MediaGraph, VideoWindowKeepsModeAndDrainWithoutADisplay)
{
    Graph graph;
    ASSERT_EQ(graph.Render(GeneratedClips().videoOnly), S_OK);
    OAHWND player = reinterpret_cast<OAHWND>(kPlayer);
    EXPECT_EQ(graph.video->put_MessageDrain(player), S_OK);
    OAHWND drain = 0;
    EXPECT_EQ(graph.video->get_MessageDrain(&drain), S_OK);
    EXPECT_EQ(drain, player);
    LONG mode = 1;
    EXPECT_EQ(graph.video->get_FullScreenMode(&mode), S_OK);
    EXPECT_EQ(mode, OAFALSE);
    EXPECT_EQ(graph.video->put_FullScreenMode(OATRUE), S_OK);
    EXPECT_EQ(graph.video->get_FullScreenMode(&mode), S_OK);
    EXPECT_EQ(mode, OATRUE);
}

TEST_F(MediaGraph, ReleasedWhilePlayingStopsQuietly)
{
    Graph graph;
    ASSERT_EQ(graph.Render(GeneratedClips().videoWithAudio), S_OK);
    graph.events->SetNotifyWindow(reinterpret_cast<OAHWND>(kPlayer), kGraphNotify, 0);
    ASSERT_EQ(graph.control->Run(), S_OK);
    // Playing, but with the end not yet taken from the bus: nothing is pumped here.
    while (graph.Position() <= 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    graph.ReleaseAll();
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    MediaPumpEvents();
    EXPECT_TRUE(Posted().empty());
}
