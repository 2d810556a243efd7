#include "msgbox.h"

#include <deque>
#include <mutex>

namespace {

struct MessageBoxState {
    std::mutex mutex;
    PlatformMessageBoxHook hook = nullptr;
    std::vector<PlatformMessageBoxRecord> log;
    std::deque<int> answers;
};

MessageBoxState& State()
{
    static MessageBoxState state;
    return state;
}

int DefaultButton(UINT type)
{
    static const int buttons[][3] = {
        {IDOK, IDOK, IDOK},         {IDOK, IDCANCEL, IDCANCEL},  {IDABORT, IDRETRY, IDIGNORE},
        {IDYES, IDNO, IDCANCEL},    {IDYES, IDNO, IDNO},         {IDRETRY, IDCANCEL, IDCANCEL},
    };
    const UINT kind = type & MB_TYPEMASK;
    const UINT index = ((type & MB_DEFMASK) >> 8) > 2 ? 0 : (type & MB_DEFMASK) >> 8;
    return kind < 6 ? buttons[kind][index] : IDOK;
}

} // namespace

int MessageBox(HWND owner, LPCTSTR text, LPCTSTR caption, UINT type)
{
    MessageBoxState& state = State();
    std::unique_lock<std::mutex> lock(state.mutex);
    if (PlatformMessageBoxHook hook = state.hook) {
        lock.unlock(); // the dialog runs a message loop that may show another box
        return hook(owner, text, caption, type);
    }
    state.log.push_back(PlatformMessageBoxRecord{text, caption, type});
    if (!state.answers.empty()) {
        const int answer = state.answers.front();
        state.answers.pop_front();
        return answer;
    }
    return DefaultButton(type);
}

int AfxMessageBox(LPCTSTR text, UINT type, UINT)
{
    return MessageBox(nullptr, text, nullptr, type);
}

PlatformMessageBoxHook PlatformSetMessageBoxHook(PlatformMessageBoxHook hook)
{
    std::lock_guard<std::mutex> lock(State().mutex);
    PlatformMessageBoxHook previous = State().hook;
    State().hook = hook;
    return previous;
}

const std::vector<PlatformMessageBoxRecord>& PlatformMessageBoxLog()
{
    return State().log;
}

CString PlatformLastMessageBoxText()
{
    std::lock_guard<std::mutex> lock(State().mutex);
    return State().log.empty() ? CString() : State().log.back().text;
}

void PlatformClearMessageBoxLog()
{
    std::lock_guard<std::mutex> lock(State().mutex);
    State().log.clear();
    State().answers.clear();
}

void PlatformQueueMessageBoxAnswer(int answer)
{
    std::lock_guard<std::mutex> lock(State().mutex);
    State().answers.push_back(answer);
}
