#include "wnd/window_system.h"

#include <algorithm>
#include <chrono>
#include <deque>
#include <map>

#include "wnd/control_model.h"
#include "wnd/window_host.h"

namespace wndsys {
namespace {

struct State {
    std::map<uintptr_t, std::unique_ptr<WindowRecord>> records;
    uintptr_t nextHandle = 0x10000;
    std::map<std::string, WindowClass> classes;
    std::deque<MSG> posted;
    bool quit = false;
    int quitCode = 0;
    std::vector<Timer> timers;
    uint64_t virtualNow = 0;
    HWND capture = nullptr;
    HWND focus = nullptr;
    HWND hover = nullptr;
    HCURSOR cursor = nullptr;
    bool keys[256] = {};
    POINT cursorPos{};
};

State& S() {
    static State state;
    return state;
}

uintptr_t Key(HWND hwnd) { return reinterpret_cast<uintptr_t>(hwnd); }

}  // namespace

WindowRecord* Find(HWND hwnd) {
    if (!hwnd) return nullptr;
    auto it = S().records.find(Key(hwnd));
    return it == S().records.end() ? nullptr : it->second.get();
}

WindowRecord& Register(std::unique_ptr<WindowRecord> record) {
    State& s = S();
    record->hwnd = reinterpret_cast<HWND>(s.nextHandle);
    s.nextHandle += 4;
    WindowRecord& ref = *record;
    s.records[Key(ref.hwnd)] = std::move(record);
    return ref;
}

void Unregister(HWND hwnd) { S().records.erase(Key(hwnd)); }

std::vector<HWND> TopLevelWindows() {
    std::vector<HWND> result;
    for (auto& entry : S().records)
        if (!entry.second->parent) result.push_back(entry.second->hwnd);
    return result;
}

bool IsVisibleOnScreen(const WindowRecord& record) {
    const WindowRecord* r = &record;
    while (r) {
        if (!(r->style & WS_VISIBLE)) return false;
        r = Find(r->parent);
    }
    return true;
}

POINT ClientOriginOnScreen(HWND hwnd) {
    POINT origin{0, 0};
    WindowRecord* r = Find(hwnd);
    if (r && CurrentHost().ClientOrigin(*r, origin)) return origin;
    while (r) {
        origin.x += r->rect.left;
        origin.y += r->rect.top;
        r = Find(r->parent);
    }
    return origin;
}

WindowClass& ClassOf(const std::string& name) {
    std::string key = name;
    std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return (char)std::tolower(c); });
    return S().classes[key];
}

void Post(const MSG& msg) {
    S().posted.push_back(msg);
    CurrentHost().WakeUp();
}

static bool Matches(const MSG& m, HWND filter, UINT minMsg, UINT maxMsg) {
    if (filter && m.hwnd != filter) return false;
    if (minMsg == 0 && maxMsg == 0) return true;
    return m.message >= minMsg && m.message <= maxMsg;
}

bool TakePosted(MSG& msg, HWND filter, UINT minMsg, UINT maxMsg, bool remove) {
    auto& q = S().posted;
    for (auto it = q.begin(); it != q.end(); ++it) {
        if (!Matches(*it, filter, minMsg, maxMsg)) continue;
        msg = *it;
        if (remove) q.erase(it);
        return true;
    }
    return false;
}

void DropMessagesFor(HWND hwnd) {
    auto& q = S().posted;
    q.erase(std::remove_if(q.begin(), q.end(), [hwnd](const MSG& m) { return m.hwnd == hwnd; }), q.end());
}

bool QuitPosted(int* exitCode) {
    if (exitCode) *exitCode = S().quitCode;
    return S().quit;
}

void SetQuit(int code) {
    S().quit = true;
    S().quitCode = code;
    CurrentHost().WakeUp();
}

void ClearQuit() { S().quit = false; }

bool NextPaint(HWND& hwnd) {
    for (auto& entry : S().records) {
        WindowRecord& r = *entry.second;
        if (r.needsPaint && !r.destroying && IsVisibleOnScreen(r)) {
            hwnd = r.hwnd;
            return true;
        }
    }
    return false;
}

void MarkDrawn(WindowRecord& record) { record.surfaceDrawn = true; }

void PresentDrawn() {
    std::vector<HWND> drawn;
    for (auto& entry : S().records)
        if (entry.second->surfaceDrawn) drawn.push_back(entry.second->hwnd);
    for (HWND h : drawn) {
        WindowRecord* r = Find(h);
        if (!r) continue;
        r->surfaceDrawn = false;
        CurrentHost().Present(*r);
    }
}

uint64_t Now() {
    if (CurrentHost().IsHeadless()) return S().virtualNow;
    using namespace std::chrono;
    static const auto start = steady_clock::now();
    return (uint64_t)duration_cast<milliseconds>(steady_clock::now() - start).count();
}

void AdvanceClock(uint64_t ms) { S().virtualNow += ms; }

void AddTimer(HWND hwnd, UINT_PTR id, UINT elapse) {
    RemoveTimer(hwnd, id);
    // Win32 raises elapses below 10 ms to 10 ms.
    UINT effective = std::max<UINT>(elapse, 10);
    S().timers.push_back({hwnd, id, effective, Now() + effective});
    CurrentHost().WakeUp();
}

bool RemoveTimer(HWND hwnd, UINT_PTR id) {
    auto& t = S().timers;
    auto it = std::find_if(t.begin(), t.end(), [&](const Timer& x) { return x.hwnd == hwnd && x.id == id; });
    if (it == t.end()) return false;
    t.erase(it);
    return true;
}

void RemoveTimersOf(HWND hwnd) {
    auto& t = S().timers;
    t.erase(std::remove_if(t.begin(), t.end(), [hwnd](const Timer& x) { return x.hwnd == hwnd; }), t.end());
}

bool TakeDueTimer(MSG& msg, HWND filter) {
    uint64_t now = Now();
    Timer* best = nullptr;
    for (Timer& t : S().timers) {
        if (t.due > now || (filter && t.hwnd != filter)) continue;
        if (!best || t.due < best->due) best = &t;
    }
    if (!best) return false;
    msg = MSG{best->hwnd, WM_TIMER, best->id, 0, (DWORD)now, CursorPos()};
    // One WM_TIMER per period however late the loop is, as Win32 does.
    best->due = std::max(best->due + best->elapse, now + 1);
    return true;
}

int64_t MillisecondsToNextTimer() {
    if (S().timers.empty()) return -1;
    uint64_t now = Now();
    uint64_t next = UINT64_MAX;
    for (const Timer& t : S().timers) next = std::min(next, t.due);
    return next <= now ? 0 : (int64_t)(next - now);
}

HWND& CaptureWindow() { return S().capture; }
HWND& FocusWindow() { return S().focus; }
HWND& HoverWindow() { return S().hover; }
HCURSOR& CurrentCursor() { return S().cursor; }
POINT& CursorPos() { return S().cursorPos; }

void SetKeyDown(int virtualKey, bool down) { S().keys[virtualKey & 0xFF] = down; }
bool KeyDown(int virtualKey) {
    bool down = false;
    if (CurrentHost().ModifierDown(virtualKey, down)) return down;
    return S().keys[virtualKey & 0xFF];
}

void ResetForTests() {
    State& s = S();
    std::vector<HWND> tops;
    for (auto& entry : s.records)
        if (!entry.second->parent) tops.push_back(entry.second->hwnd);
    for (HWND h : tops)
        if (Find(h)) ::DestroyWindow(h);
    s.posted.clear();
    s.quit = false;
    s.timers.clear();
    s.capture = s.focus = s.hover = nullptr;
    s.cursor = nullptr;
    std::fill(std::begin(s.keys), std::end(s.keys), false);
    s.cursorPos = POINT{0, 0};
    s.classes.clear();
}

}  // namespace wndsys
