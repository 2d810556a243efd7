// Timing, shell and test-picture helpers shared by the codec benchmarks.
#pragma once

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

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

// A photograph-like test picture: smooth shading with fine texture.
inline void WriteSource(const std::string& path)
{
    FILE* fp = fopen(path.c_str(), "wb");
    fprintf(fp, "P6\n%d %d\n255\n", kSize, kSize);
    unsigned seed = 7;
    for (int y = 0; y < kSize; y++)
        for (int x = 0; x < kSize; x++) {
            seed = seed * 1103515245u + 12345u;
            int noise = int((seed >> 16) % 24);
            unsigned char px[3] = {
                (unsigned char)(128 + 100 * sin(x * 0.004) + noise / 2),
                (unsigned char)(128 + 90 * cos(y * 0.003 + x * 0.001) + noise / 3),
                (unsigned char)((x ^ y) / 24 + noise)};
            fwrite(px, 1, 3, fp);
        }
    fclose(fp);
}

inline void Report(const char* what, double ours, double theirs, const char* tool)
{
    printf("%-12s ours %7.1f ms   %-9s %7.1f ms   ratio %.2f\n", what, ours * 1000, tool, theirs * 1000,
           ours / theirs);
}

} // namespace bench
