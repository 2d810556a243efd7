#include "gdi/playback_deadline.h"

#include <ctime>
#include <utility>

namespace gdi {

namespace {

const int kRecordsBetweenLooks = 16;
const double kWorkBetweenLooks = 1e6;

thread_local PlaybackClock injectedClock;

double Nanoseconds(clockid_t clock)
{
    timespec t{};
    clock_gettime(clock, &t);
    return double(t.tv_sec) * 1e9 + double(t.tv_nsec);
}

double ProcessorTime() { return injectedClock ? injectedClock() : Nanoseconds(CLOCK_THREAD_CPUTIME_ID); }

}  // namespace

PlaybackClock SetPlaybackClock(PlaybackClock clock)
{
    std::swap(clock, injectedClock);
    return clock;
}

PlaybackDeadline::PlaybackDeadline(double allowed)
    : m_allowed(allowed), m_start(ProcessorTime()), m_wallAtRead(Nanoseconds(CLOCK_MONOTONIC))
{
}

bool PlaybackDeadline::Passed(double spent)
{
    if (m_passed)
        return true;
    if (++m_recordsSinceLook < kRecordsBetweenLooks && spent - m_spentAtLook < kWorkBetweenLooks)
        return false;
    m_recordsSinceLook = 0;
    m_spentAtLook = spent;
    Look(0);
    return m_passed;
}

bool PlaybackDeadline::WouldPass(double cost)
{
    if (!m_passed)
        Look(cost);
    return m_passed;
}

// A thread cannot have used more processor time than the wall clock has
// run: until the wall clock says otherwise, the dearer processor clock is
// left unread. A clock put in its place is read at every look.
void PlaybackDeadline::Look(double cost)
{
    if (!injectedClock) {
        const double wall = Nanoseconds(CLOCK_MONOTONIC);
        if (m_used + (wall - m_wallAtRead) + cost <= m_allowed)
            return;
        m_wallAtRead = wall;
    }
    m_used = ProcessorTime() - m_start;
    m_passed = m_used + cost > m_allowed;
}

}  // namespace gdi
