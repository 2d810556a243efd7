// Whole-process cost of the command-line renderer, start-up included, beside
// the toolkit's own renderer and a plain copy of the same file. peak_MB is the
// program's peak resident memory, measured by GNU time where it is installed
// (a program spawned from here would carry this process's peak along).
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "BenchFiles.h"

extern char** environ;

namespace {

// Runs the program to its end with its output discarded.
bool RunProgram(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    return spawned == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Peak resident memory in MB of one run, or 0 without GNU time.
double PeakMegabytes(const std::vector<std::string>& args)
{
    const char* time = "/usr/bin/time";
    if (access(time, X_OK) != 0)
        return 0;
    const std::string report = BenchDir() + "/peak.txt";
    std::vector<std::string> timed = {time, "-f", "%M", "-o", report};
    timed.insert(timed.end(), args.begin(), args.end());
    if (!RunProgram(timed))
        return 0;
    double kilobytes = 0;
    std::ifstream(report) >> kilobytes;
    return kilobytes / 1024;
}

void Run(benchmark::State& state, const std::vector<std::string>& args)
{
    for (auto _ : state) {
        if (!RunProgram(args)) {
            state.SkipWithError(("failed: " + args[0]).c_str());
            return;
        }
    }
    state.counters["peak_MB"] = PeakMegabytes(args);
}

void Dcmrender(benchmark::State& state)
{
    const std::string path = MakeFile(static_cast<int>(state.range(0)));
    Run(state, {DCMRENDER, "--window", "40", "400", path, BenchDir() + "/dcmrender.pgm"});
}

void ToolkitRenderer(benchmark::State& state)
{
    const std::string path = MakeFile(static_cast<int>(state.range(0)));
    Run(state, {"dcmj2pnm", "+Ww", "40", "400", path, BenchDir() + "/dcmj2pnm.pgm"});
}

void CopyFile(benchmark::State& state)
{
    const std::string path = MakeFile(static_cast<int>(state.range(0)));
    Run(state, {"cp", path, BenchDir() + "/copy.dcm"});
}

}  // namespace

BENCHMARK(Dcmrender)->Arg(64)->Arg(2048)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ToolkitRenderer)->Arg(64)->Arg(2048)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(CopyFile)->Arg(64)->Arg(2048)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
