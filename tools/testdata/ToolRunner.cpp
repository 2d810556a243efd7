#include "ToolRunner.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

namespace testdata {

bool RunTool(const std::vector<std::string>& arguments, const std::string& workingDirectory) {
  if (arguments.empty()) return false;
  std::vector<char*> argv;
  for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  const pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) {
    if (!workingDirectory.empty() && chdir(workingDirectory.c_str()) != 0) _exit(126);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return false;
  const bool ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  if (!ok) {
    std::string line;
    for (const std::string& a : arguments) line += a + " ";
    std::fprintf(stderr, "failed: %s\n", line.c_str());
  }
  return ok;
}

}  // namespace testdata
