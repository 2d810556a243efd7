// The photograph-like test picture of the raster benchmarks: smooth
// shading with fine texture, size x size, as a binary PPM.
#pragma once

#include <cmath>
#include <cstdio>
#include <string>

inline void WritePhotoPpm(const std::string& path, int size)
{
    FILE* fp = fopen(path.c_str(), "wb");
    if (!fp)
        return;
    fprintf(fp, "P6\n%d %d\n255\n", size, size);
    unsigned seed = 7;
    for (int y = 0; y < size; y++)
        for (int x = 0; x < size; x++) {
            seed = seed * 1103515245u + 12345u;
            int noise = int((seed >> 16) % 24);
            unsigned char px[3] = {(unsigned char)(128 + 100 * sin(x * 0.004) + noise / 2),
                                   (unsigned char)(128 + 90 * cos(y * 0.003 + x * 0.001) + noise / 3),
                                   (unsigned char)((x ^ y) / 24 + noise)};
            fwrite(px, 1, 3, fp);
        }
    fclose(fp);
}
