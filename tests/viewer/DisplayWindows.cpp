#include "DisplayWindows.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

extern char** environ;

namespace display {

namespace {

std::string TitleOf(Display* x, Window window)
{
    const Atom netName = XInternAtom(x, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(x, "UTF8_STRING", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string title;
    if (XGetWindowProperty(x, window, netName, 0, 1024, False, utf8, &type, &format, &count, &after, &data) ==
            Success &&
        data) {
        title.assign(reinterpret_cast<char*>(data), count);
        XFree(data);
        return title;
    }
    char* name = nullptr;
    if (XFetchName(x, window, &name) && name) {
        title = name;
        XFree(name);
    }
    return title;
}

Window FindIn(Display* x, Window window, const std::string& title)
{
    XWindowAttributes attributes;
    if (XGetWindowAttributes(x, window, &attributes) && attributes.map_state == IsViewable &&
        TitleOf(x, window) == title)
        return window;
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(x, window, &root, &parent, &children, &count))
        return 0;
    Window found = 0;
    for (unsigned i = 0; i < count && !found; ++i)
        found = FindIn(x, children[i], title);
    if (children)
        XFree(children);
    return found;
}

// Windows may go while the tree is walked; such errors are not failures.
int IgnoreErrors(Display*, XErrorEvent*) { return 0; }

}  // namespace

ShownWindow Find(const std::string& title)
{
    ShownWindow shown;
    Display* x = XOpenDisplay(nullptr);
    if (!x)
        return shown;
    XErrorHandler previous = XSetErrorHandler(IgnoreErrors);
    const Window window = FindIn(x, DefaultRootWindow(x), title);
    XWindowAttributes attributes;
    Window child = 0;
    if (window && XGetWindowAttributes(x, window, &attributes) &&
        XTranslateCoordinates(x, window, DefaultRootWindow(x), 0, 0, &shown.x, &shown.y, &child)) {
        shown.id = window;
        shown.width = attributes.width;
        shown.height = attributes.height;
    }
    XSync(x, False);
    XSetErrorHandler(previous);
    XCloseDisplay(x);
    return shown;
}

bool Close(const ShownWindow& window)
{
    Display* x = XOpenDisplay(nullptr);
    if (!x || !window.id)
        return false;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window.id;
    event.xclient.message_type = XInternAtom(x, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(x, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    const bool sent = XSendEvent(x, window.id, False, NoEventMask, &event) != 0;
    XSync(x, False);
    XCloseDisplay(x);
    return sent;
}

Program::Program(const std::vector<std::string>& arguments)
{
    std::vector<char*> argv;
    for (const std::string& a : arguments)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    if (posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        m_pid = -1;
    posix_spawn_file_actions_destroy(&actions);
}

Program::~Program()
{
    if (!Running())
        return;
    // One that ignores SIGTERM is killed.
    Signal(SIGTERM);
    if (!WaitUntil(*this, [this] { return !Running(); })) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, &m_status, 0);
    }
}

bool Program::Signal(int number) { return Running() && kill(m_pid, number) == 0; }

bool Program::Running()
{
    if (m_pid <= 0 || m_status != -1)
        return false;
    int status = 0;
    if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
        m_status = status;
        return false;
    }
    return true;
}

bool WaitUntil(Program& program, const std::function<bool()>& condition)
{
    const auto bound = std::chrono::steady_clock::now() + std::chrono::minutes(5);
    while (std::chrono::steady_clock::now() < bound) {
        if (condition())
            return true;
        if (!program.Running())
            return condition();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

}  // namespace display
