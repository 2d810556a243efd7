// A screenshot of the X display, taken with GraphicsMagick and read from a
// binary PPM, for the tests that look at what a real window shows.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/wintypes.h"

struct Screenshot {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;

    bool Load(const std::string& path)
    {
        FILE* f = std::fopen(path.c_str(), "rb");
        if (!f)
            return false;
        int maxval = 0;
        bool ok = std::fscanf(f, "P6 %d %d %d", &width, &height, &maxval) == 3 && maxval == 255 && width > 0 &&
                  height > 0 && width < 10000 && height < 10000;
        if (ok) {
            std::fgetc(f);
            rgb.resize(static_cast<size_t>(width) * height * 3);
            ok = std::fread(rgb.data(), 1, rgb.size(), f) == rgb.size();
        }
        std::fclose(f);
        return ok;
    }

    // Takes the whole screen through the file at path, which is removed again.
    bool Take(const std::string& path)
    {
        std::remove(path.c_str());
        const bool taken = std::system(("gm import -window root ppm:" + path).c_str()) == 0 && Load(path);
        std::remove(path.c_str());
        return taken;
    }

    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }

    // The pixel's red, green and blue bytes; the point must be on the screen.
    const unsigned char* At(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }

    // The pixel's colour, or 0xFFFFFFFF (no colour) off the screen.
    COLORREF Colour(POINT p) const
    {
        if (!Contains(p.x, p.y))
            return 0xFFFFFFFF;
        const unsigned char* c = At(p.x, p.y);
        return RGB(c[0], c[1], c[2]);
    }

    // Colours within 40 of each other in every channel.
    static bool Near(COLORREF a, COLORREF b)
    {
        return std::abs(int(GetRValue(a)) - int(GetRValue(b))) < 40 &&
               std::abs(int(GetGValue(a)) - int(GetGValue(b))) < 40 &&
               std::abs(int(GetBValue(a)) - int(GetBValue(b))) < 40;
    }

    // Dark pixels (text) and light pixels (the fields and buttons it is
    // drawn on) of area, in screen coordinates.
    template <class Rect>
    int CountDark(const Rect& area) const
    {
        return CountIf(area, [](const unsigned char* c) { return c[0] < 100 && c[1] < 100 && c[2] < 100; });
    }
    template <class Rect>
    int CountLight(const Rect& area) const
    {
        return CountIf(area, [](const unsigned char* c) { return c[0] > 180 && c[1] > 180 && c[2] > 180; });
    }
    template <class Rect, class Test>
    int CountIf(const Rect& area, Test test) const
    {
        int n = 0;
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x)
                n += Contains(x, y) && test(At(x, y));
        return n;
    }

    // Pixels of area (client coordinates of wnd) near colour.
    template <class Window, class Rect>
    int CountNear(Window* wnd, const Rect& area, COLORREF colour) const
    {
        int n = 0;
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x) {
                POINT p{x, y};
                wnd->ClientToScreen(&p);
                n += Near(Colour(p), colour);
            }
        return n;
    }
};
