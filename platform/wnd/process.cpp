// Processes started without a shell, from an argument vector.
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "base/base.h"
#include "wnd/shell.h"

extern char** environ;

namespace {

class ProcessObject : public PlatformKernelObject {
public:
    explicit ProcessObject(pid_t pid) : pid_(pid) {}
    ~ProcessObject() override {
        // Reap a child that has ended so no zombie stays behind.
        if (!exited_) Poll(false);
    }
    // Returns true once the child has ended.
    bool Poll(bool block) {
        if (exited_) return true;
        int status = 0;
        pid_t r;
        do {
            r = waitpid(pid_, &status, block ? 0 : WNOHANG);
        } while (r < 0 && errno == EINTR);
        if (r == pid_) {
            exited_ = true;
            exitCode_ = WIFEXITED(status) ? (DWORD)WEXITSTATUS(status) : (DWORD)(128 + WTERMSIG(status));
        } else if (r < 0) {
            exited_ = true;
            exitCode_ = 1;
        }
        return exited_;
    }
    DWORD ExitCode() const { return exited_ ? exitCode_ : (DWORD)STILL_ACTIVE; }
    pid_t Pid() const { return pid_; }

private:
    pid_t pid_;
    bool exited_ = false;
    DWORD exitCode_ = 0;
};

class ThreadObject : public PlatformKernelObject {};

bool IsRunnableFile(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::vector<std::string> PlatformSplitCommandLine(const char* commandLine) {
    std::vector<std::string> args;
    if (!commandLine) return args;
    std::string current;
    bool quoted = false;
    bool any = false;
    for (const char* p = commandLine; *p; ++p) {
        if (*p == '"') {
            quoted = !quoted;
            any = true;
        } else if ((*p == ' ' || *p == '\t') && !quoted) {
            if (any) args.push_back(current);
            current.clear();
            any = false;
        } else {
            current += *p;
            any = true;
        }
    }
    if (any) args.push_back(current);
    return args;
}

BOOL PlatformCreateProcess(const std::vector<std::string>& argv, LPPROCESS_INFORMATION info) {
    if (argv.empty() || !info) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // The program is named by its path; no search, no shell.
    if (!IsRunnableFile(argv[0])) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // Like a process started without inherited handles and without a
    // console: it sees none of our descriptors and writes nowhere of ours.
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    pid_t pid = 0;
    int rc = posix_spawn(&pid, argv[0].c_str(), &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    info->hProcess = PlatformRegisterHandle(new ProcessObject(pid));
    info->hThread = PlatformRegisterHandle(new ThreadObject());
    info->dwProcessId = (DWORD)pid;
    info->dwThreadId = (DWORD)pid;
    return TRUE;
}

BOOL CreateProcess(LPCTSTR lpApplicationName, LPTSTR lpCommandLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES,
                   BOOL, DWORD, LPVOID, LPCTSTR, LPSTARTUPINFO, LPPROCESS_INFORMATION lpProcessInformation) {
    std::vector<std::string> argv = PlatformSplitCommandLine(lpCommandLine);
    if (lpApplicationName && *lpApplicationName) {
        if (argv.empty())
            argv.push_back(lpApplicationName);
        else
            argv[0] = lpApplicationName;
    }
    return PlatformCreateProcess(argv, lpProcessInformation);
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    ProcessObject* process = PlatformHandleObject<ProcessObject>(handle);
    if (!process) return WAIT_FAILED;
    if (milliseconds == INFINITE) return process->Poll(true) ? WAIT_OBJECT_0 : WAIT_FAILED;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        if (process->Poll(false)) return WAIT_OBJECT_0;
        if (std::chrono::steady_clock::now() >= deadline) return WAIT_TIMEOUT;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode) {
    ProcessObject* object = PlatformHandleObject<ProcessObject>(process);
    if (!object || !exitCode) return FALSE;
    object->Poll(false);
    *exitCode = object->ExitCode();
    return TRUE;
}
