#include "J2kPacketIterator.h"

#include <algorithm>
#include <cstdint>

#include "J2kByteCursor.h"
#include "J2kCodec.h"

namespace {

const int64_t kMaxPackets = int64_t(1) << 23;

int MaxResolutions(const J2kTile& tile)
{
    int most = 0;
    for (const J2kTileComponent& tc : tile.components)
        most = std::max(most, int(tc.resolutions.size()));
    return most;
}

int PrecinctCount(const J2kTile& tile, int c, int r)
{
    const J2kTileComponent& tc = tile.components[size_t(c)];
    if (r >= int(tc.resolutions.size()))
        return 0;
    const J2kResolution& res = tc.resolutions[size_t(r)];
    return res.precinctsWide * res.precinctsHigh;
}

int64_t FloorDiv(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }
int64_t CeilDiv(int64_t a, int64_t b) { return -FloorDiv(-a, b); }

// Where on the reference grid the precincts of one resolution begin, and which
// precinct a grid position starts.
struct PrecinctGrid {
    int64_t stepX, stepY;  // precinct size on the reference grid
    int levelShift;
    const J2kTileComponent* tc;
    const J2kResolution* res;

    bool StartsAt(int64_t x, int64_t y, const J2kTile& tile) const
    {
        int64_t rx0 = int64_t(res->x0) << levelShift, ry0 = int64_t(res->y0) << levelShift;
        int64_t px = int64_t(1) << (res->precinctWidthExp + levelShift);
        int64_t py = int64_t(1) << (res->precinctHeightExp + levelShift);
        bool xOk = (x % stepX == 0) || (x == tile.x0 && rx0 % px != 0);
        bool yOk = (y % stepY == 0) || (y == tile.y0 && ry0 % py != 0);
        return xOk && yOk;
    }

    int Index(int64_t x, int64_t y) const
    {
        int64_t cx = CeilDiv(x, int64_t(tc->dx) << levelShift);
        int64_t cy = CeilDiv(y, int64_t(tc->dy) << levelShift);
        int64_t i = (cx >> res->precinctWidthExp) - (int64_t(res->x0) >> res->precinctWidthExp);
        int64_t j = (cy >> res->precinctHeightExp) - (int64_t(res->y0) >> res->precinctHeightExp);
        if (i < 0 || j < 0 || i >= res->precinctsWide || j >= res->precinctsHigh)
            return -1;
        return int(j * res->precinctsWide + i);
    }
};

PrecinctGrid GridOf(const J2kTile& tile, int c, int r)
{
    const J2kTileComponent& tc = tile.components[size_t(c)];
    const J2kResolution& res = tc.resolutions[size_t(r)];
    PrecinctGrid g;
    g.tc = &tc;
    g.res = &res;
    g.levelShift = int(tc.resolutions.size()) - 1 - r;
    g.stepX = int64_t(tc.dx) << (res.precinctWidthExp + g.levelShift);
    g.stepY = int64_t(tc.dy) << (res.precinctHeightExp + g.levelShift);
    return g;
}

// Every grid position at which some precinct of the tile may start.
void Candidates(const J2kTile& tile, std::vector<int64_t>& xs, std::vector<int64_t>& ys)
{
    xs.assign(1, tile.x0);
    ys.assign(1, tile.y0);
    for (size_t c = 0; c < tile.components.size(); c++)
        for (size_t r = 0; r < tile.components[c].resolutions.size(); r++) {
            if (PrecinctCount(tile, int(c), int(r)) == 0)
                continue;
            PrecinctGrid g = GridOf(tile, int(c), int(r));
            for (int64_t x = CeilDiv(tile.x0, g.stepX) * g.stepX; x < tile.x1; x += g.stepX)
                xs.push_back(x);
            for (int64_t y = CeilDiv(tile.y0, g.stepY) * g.stepY; y < tile.y1; y += g.stepY)
                ys.push_back(y);
        }
    std::sort(xs.begin(), xs.end());
    xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
    std::sort(ys.begin(), ys.end());
    ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
}

} // namespace

std::vector<J2kPacket> J2kPacketIterator::Sequence(const J2kTile& tile, int layerCount, int order)
{
    std::vector<J2kPacket> out;
    int comps = int(tile.components.size());
    int resolutions = MaxResolutions(tile);
    // Bounds the list a hostile header can ask for.
    int64_t total = 0;
    for (int c = 0; c < comps; c++)
        for (int r = 0; r < resolutions; r++)
            total += int64_t(layerCount) * PrecinctCount(tile, c, r);
    if (total > kMaxPackets)
        throw J2kError();
    out.reserve(size_t(total));
    if (order == J2K_LRCP) {
        for (int l = 0; l < layerCount; l++)
            for (int r = 0; r < resolutions; r++)
                for (int c = 0; c < comps; c++)
                    for (int p = 0; p < PrecinctCount(tile, c, r); p++)
                        out.push_back({l, r, c, p});
    } else if (order == J2K_RLCP) {
        for (int r = 0; r < resolutions; r++)
            for (int l = 0; l < layerCount; l++)
                for (int c = 0; c < comps; c++)
                    for (int p = 0; p < PrecinctCount(tile, c, r); p++)
                        out.push_back({l, r, c, p});
    } else {
        Positional(tile, layerCount, order, out);
    }
    return out;
}

void J2kPacketIterator::Positional(const J2kTile& tile, int layerCount, int order,
                                   std::vector<J2kPacket>& out)
{
    std::vector<int64_t> xs, ys;
    Candidates(tile, xs, ys);
    int comps = int(tile.components.size());
    int resolutions = MaxResolutions(tile);
    std::vector<std::vector<std::vector<bool>>> seen;
    seen.resize(size_t(comps));
    for (int c = 0; c < comps; c++) {
        seen[size_t(c)].resize(tile.components[size_t(c)].resolutions.size());
        for (size_t r = 0; r < seen[size_t(c)].size(); r++)
            seen[size_t(c)][r].assign(size_t(PrecinctCount(tile, c, int(r))), false);
    }
    auto visit = [&](int c, int r, int64_t x, int64_t y) {
        if (PrecinctCount(tile, c, r) == 0)
            return;
        PrecinctGrid g = GridOf(tile, c, r);
        if (!g.StartsAt(x, y, tile))
            return;
        int p = g.Index(x, y);
        if (p < 0 || seen[size_t(c)][size_t(r)][size_t(p)])
            return;
        seen[size_t(c)][size_t(r)][size_t(p)] = true;
        for (int l = 0; l < layerCount; l++)
            out.push_back({l, r, c, p});
    };
    if (order == J2K_RPCL) {
        for (int r = 0; r < resolutions; r++)
            for (int64_t y : ys)
                for (int64_t x : xs)
                    for (int c = 0; c < comps; c++)
                        visit(c, r, x, y);
    } else if (order == J2K_PCRL) {
        for (int64_t y : ys)
            for (int64_t x : xs)
                for (int c = 0; c < comps; c++)
                    for (int r = 0; r < resolutions; r++)
                        visit(c, r, x, y);
    } else {
        for (int c = 0; c < comps; c++)
            for (int64_t y : ys)
                for (int64_t x : xs)
                    for (int r = 0; r < resolutions; r++)
                        visit(c, r, x, y);
    }
}
