// The pictures and coding parameters of the stored codestreams.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "j2k_test_support.h"

struct J2kStoredSpec {
    std::string name;
    J2kTestSpec spec;
    bool lossless;
};

inline std::vector<J2kStoredSpec> J2kStoredSpecs()
{
    std::vector<J2kStoredSpec> out;
    // 5/3 grey in three layers over 8 x 8 blocks, with the block styles the
    // encoder applies (context reset, vertically causal, segmentation symbols).
    J2kTestSpec grey;
    grey.width = 29;
    grey.height = 21;
    grey.resolutions = 3;
    grey.cbw = grey.cbh = 3;
    grey.layers = 3;
    grey.budgets[0] = 260;
    grey.budgets[1] = 480;
    grey.blockStyle = 0x02 | 0x08 | 0x20;
    out.push_back({"grey 5/3, layers and block styles", grey, true});
    J2kTestSpec plainGrey = grey;
    plainGrey.blockStyle = 0;
    plainGrey.layers = 1;
    plainGrey.budgets[0] = 0;
    plainGrey.x0 = 5;
    plainGrey.y0 = 3;
    out.push_back({"grey 5/3, offset origin", plainGrey, true});
    // 9/7 colour through the ICT at a budget well under lossless.
    J2kTestSpec colour;
    colour.width = 17;
    colour.height = 14;
    colour.components = 3;
    colour.transform = 1;
    colour.wavelet = 0;
    colour.resolutions = 3;
    colour.cbw = colour.cbh = 3;
    colour.budgets[0] = 700;
    out.push_back({"colour 9/7 with ICT", colour, false});
    J2kTestSpec rct = colour;
    rct.wavelet = 1;
    rct.budgets[0] = 0;
    out.push_back({"colour 5/3 with RCT", rct, true});
    // Every progression order over precincts, two layers, an odd origin and a
    // sub-sampled second component.
    for (int order = 0; order < 5; order++) {
        J2kTestSpec s;
        s.width = 13;
        s.height = 11;
        s.x0 = 3;
        s.y0 = 2;
        s.components = 2;
        s.dx[1] = 2;
        s.resolutions = 3;
        s.precinctExp = 2;
        s.cbw = s.cbh = 2;
        s.layers = 2;
        s.budgets[0] = 300;
        s.order = order;
        out.push_back({"progression order " + std::to_string(order), s, true});
    }
    return out;
}

// FNV-1a over every component's samples.
inline uint64_t J2kSampleDigest(const J2kImage* image)
{
    uint64_t h = 1469598103934665603ull;
    for (int c = 0; c < image->componentCount; c++) {
        const J2kComponent& k = image->components[c];
        int w = J2kTestCeilDiv(image->x1, k.dx) - J2kTestCeilDiv(image->x0, k.dx);
        int ht = J2kTestCeilDiv(image->y1, k.dy) - J2kTestCeilDiv(image->y0, k.dy);
        for (int i = 0; i < w * ht; i++)
            for (int s = 0; s < 32; s += 8) {
                h ^= uint64_t((uint32_t(k.data[i]) >> s) & 0xFF);
                h *= 1099511628211ull;
            }
    }
    return h;
}
