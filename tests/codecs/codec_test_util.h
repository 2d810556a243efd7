// Shared helpers of the codec tests: scratch folders, running the
// independent tools, and reading their PNM output for pixel comparison.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "RasterImage.h"

namespace codectest {

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

inline std::ostream& operator<<(std::ostream& os, const Rgb& c)
{
    return os << "(" << c.r << "," << c.g << "," << c.b << ")";
}

// A fresh folder under the build tree, one per test case, since the
// cases run as parallel processes.
inline std::string ScratchDir(const std::string& name)
{
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string dir = std::string(BINARY_DIR) + "/codecs-scratch/" + name;
    if (test)
        dir += std::string("/") + test->test_suite_name() + "." + test->name();
    std::string cmd = "rm -rf '" + dir + "' && mkdir -p '" + dir + "'";
    if (system(cmd.c_str()) != 0)
        ADD_FAILURE() << "cannot make " << dir;
    return dir;
}

inline int Shell(const std::string& cmd)
{
    int rc = system(("(" + cmd + ") >/dev/null 2>&1").c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

inline std::string Capture(const std::string& cmd)
{
    std::string out;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p)
        return out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof(buf), p)) > 0)
        out.append(buf, n);
    pclose(p);
    return out;
}

inline std::vector<unsigned char> ReadFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return std::vector<unsigned char>((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::string& path, const std::vector<unsigned char>& bytes)
{
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// A binary PNM (P5 or P6, maxval 255) as top-down RGB pixels.
struct Pnm {
    int width = 0, height = 0;
    std::vector<Rgb> pixels;
    Rgb At(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

inline bool ParsePnm(const std::string& data, Pnm& pnm)
{
    std::istringstream in(data);
    std::string magic;
    int maxval = 0;
    in >> magic;
    auto skip = [&]() {
        while (in && isspace(in.peek()))
            in.get();
        while (in && in.peek() == '#') {
            std::string line;
            std::getline(in, line);
            while (in && isspace(in.peek()))
                in.get();
        }
    };
    skip(); in >> pnm.width; skip(); in >> pnm.height;
    if (magic == "P4") {
        in.get();
        size_t rowBytes = (size_t(pnm.width) + 7) / 8;
        std::vector<unsigned char> raw(rowBytes * size_t(pnm.height));
        in.read(reinterpret_cast<char*>(raw.data()), std::streamsize(raw.size()));
        pnm.pixels.clear();
        for (int y = 0; y < pnm.height; y++)
            for (int x = 0; x < pnm.width; x++) {
                int v = (raw[size_t(y) * rowBytes + size_t(x) / 8] >> (7 - x % 8)) & 1 ? 0 : 255;
                pnm.pixels.push_back({v, v, v});
            }
        return size_t(in.gcount()) == raw.size();
    }
    skip(); in >> maxval;
    in.get();
    if ((magic != "P5" && magic != "P6") || maxval != 255)
        return false;
    int channels = magic == "P6" ? 3 : 1;
    std::vector<unsigned char> raw(size_t(pnm.width) * size_t(pnm.height) * size_t(channels));
    in.read(reinterpret_cast<char*>(raw.data()), std::streamsize(raw.size()));
    if (size_t(in.gcount()) != raw.size())
        return false;
    pnm.pixels.clear();
    for (size_t i = 0; i < size_t(pnm.width) * size_t(pnm.height); i++) {
        if (channels == 3)
            pnm.pixels.push_back({raw[3 * i], raw[3 * i + 1], raw[3 * i + 2]});
        else
            pnm.pixels.push_back({raw[i], raw[i], raw[i]});
    }
    return true;
}

// Decodes a file with an independent tool command whose stdout is PNM.
inline Pnm Reference(const std::string& cmd)
{
    Pnm pnm;
    EXPECT_TRUE(ParsePnm(Capture(cmd), pnm)) << cmd;
    return pnm;
}

inline Rgb PixelTopDown(CRasterImage& img, int x, int y)
{
    RGBQUAD c = img.GetPixelColor(x, long(img.GetHeight()) - 1 - y, false);
    return {c.rgbRed, c.rgbGreen, c.rgbBlue};
}

// Largest channel difference between our decode and the reference.
inline int MaxDifference(CRasterImage& img, const Pnm& ref)
{
    if (int(img.GetWidth()) != ref.width || int(img.GetHeight()) != ref.height)
        return 1000;
    int worst = 0;
    for (int y = 0; y < ref.height; y++)
        for (int x = 0; x < ref.width; x++) {
            Rgb a = PixelTopDown(img, x, y), b = ref.At(x, y);
            worst = std::max({worst, abs(a.r - b.r), abs(a.g - b.g), abs(a.b - b.b)});
        }
    return worst;
}

// A test picture with varied colours: a gradient plus a few flat blocks.
inline std::string MakeSourcePpm(const std::string& dir, int width = 37, int height = 23)
{
    std::string path = dir + "/source.ppm";
    std::string cmd = "gm convert -size " + std::to_string(width) + "x" + std::to_string(height) +
                      " gradient:'#ff2000-#0040ff' -fill '#20c040' -draw 'rectangle 3,3 12,9' "
                      "-fill white -draw 'rectangle 20,12 30,20' -depth 8 '" + path + "'";
    EXPECT_EQ(Shell(cmd), 0);
    return path;
}

} // namespace codectest
