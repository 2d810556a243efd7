// The windows a program shows on the X display of the tests, found by their
// title, and a running program waited on by what it shows.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace display {

struct ShownWindow {
    unsigned long id = 0;  // 0: not shown
    int x = 0, y = 0, width = 0, height = 0;
};

// A mapped window of that title (UTF-8), with its place on the screen.
ShownWindow Find(const std::string& title);
// Asks the window to close, as a window manager's close button does.
bool Close(const ShownWindow& window);

// A program started with its output discarded, ended (if still running)
// when the object goes: asked by SIGTERM, killed if it stays.
class Program {
public:
    explicit Program(const std::vector<std::string>& arguments);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool Started() const { return m_pid > 0; }
    bool Running();
    // Sends the signal if the program still runs.
    bool Signal(int number);
    // Exit status once it has ended.
    int Status() const { return m_status; }

private:
    pid_t m_pid = -1;
    int m_status = -1;
};

// Checks the condition until it holds, for as long as the program runs; the
// bound only keeps a broken program from hanging the suite.
bool WaitUntil(Program& program, const std::function<bool()>& condition);

}  // namespace display
