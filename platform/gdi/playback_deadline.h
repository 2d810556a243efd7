// The processor time a metafile's playback may use, whatever its count
// says: the bound that holds for a drawing the count misjudges. The playing
// thread's own clock is read, not the wall clock, so that other work on the
// machine does not cut playback short; and it is read only once the wall
// clock says the deadline could have passed, so that ordinary drawings pay
// next to nothing for it.
#pragma once

#include <functional>

namespace gdi {

// Builds with the address sanitizer run many times slower than the one
// people run: there the deadline stands for the same work, not the same
// seconds.
#if defined(__SANITIZE_ADDRESS__)
constexpr double kInstrumentedSlowdown = 20;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr double kInstrumentedSlowdown = 20;
#else
constexpr double kInstrumentedSlowdown = 1;
#endif
#else
constexpr double kInstrumentedSlowdown = 1;
#endif

// The processor time, in nanoseconds, after which playback stops.
constexpr double kPlaybackDeadline = 3e9 * kInstrumentedSlowdown;

// Nanoseconds on a clock that only moves forward.
using PlaybackClock = std::function<double()>;

// Puts a clock in place of this thread's processor clock (for tests); it is
// then read at every look. An empty one brings the real clock back. Returns
// the clock it replaces.
PlaybackClock SetPlaybackClock(PlaybackClock clock);

class PlaybackDeadline {
public:
    // allowed: the processor time, in nanoseconds, that playback may use.
    explicit PlaybackDeadline(double allowed);

    // True once playback has used the time allowed. Looks every few records
    // or every millisecond of modelled work (spent, the count so far).
    bool Passed(double spent);
    // True when work of the given modelled cost, begun now, would end past
    // the deadline; playback then counts as past it.
    bool WouldPass(double cost);
    bool HasPassed() const { return m_passed; }

private:
    // Reads the processor clock if the deadline, less the given cost, could
    // have passed since the last reading.
    void Look(double cost);

    double m_allowed;
    double m_start;
    double m_used = 0;
    double m_wallAtRead;
    double m_spentAtLook = 0;
    int m_recordsSinceLook = 0;
    bool m_passed = false;
};

}  // namespace gdi
