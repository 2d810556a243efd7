// Timing, shell and test-picture helpers shared by the codec benchmarks.
#pragma once

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "bench_picture.h"

namespace bench {

const int kSize = 2048;
const int kRounds = 5;

inline double BestSeconds(const std::function<bool()>& work)
{
    double best = 1e9;
    for (int i = 0; i < kRounds; i++) {
        auto start = std::chrono::steady_clock::now();
        if (!work()) {
            fprintf(stderr, "run failed\n");
            exit(1);
        }
        double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (s < best)
            best = s;
    }
    return best;
}

inline bool Shell(const std::string& cmd)
{
    return system(cmd.c_str()) == 0;
}

// The photograph-like test picture, kSize x kSize.
inline void WriteSource(const std::string& path)
{
    WritePhotoPpm(path, kSize);
}

inline void Report(const char* what, double ours, double theirs, const char* tool)
{
    printf("%-12s ours %7.1f ms   %-9s %7.1f ms   ratio %.2f\n", what, ours * 1000, tool, theirs * 1000,
           ours / theirs);
}

} // namespace bench
