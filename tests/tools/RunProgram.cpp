#include "RunProgram.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace {

std::string ReadAll(int fd) {
  std::string text;
  char buffer[4096];
  ssize_t n;
  while ((n = read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<size_t>(n));
  return text;
}

}  // namespace

ProgramResult RunProgram(const std::vector<std::string>& arguments) {
  ProgramResult result;
  if (arguments.empty()) return result;
  // Both streams go to one temporary file so that neither pipe can fill up.
  char name[] = "/tmp/run-program-XXXXXX";
  const int fd = mkstemp(name);
  if (fd < 0) return result;
  unlink(name);

  std::vector<char*> argv;
  for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(fd, STDOUT_FILENO);
    dup2(fd, STDERR_FILENO);
    const int null = open("/dev/null", O_RDONLY);
    if (null >= 0) dup2(null, STDIN_FILENO);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  if (pid > 0) {
    int status = 0;
    if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  }
  lseek(fd, 0, SEEK_SET);
  result.output = ReadAll(fd);
  close(fd);
  return result;
}
