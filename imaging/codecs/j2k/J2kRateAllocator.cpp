#include "J2kRateAllocator.h"

#include <cfloat>

namespace {

template <class F> void ForEachBlock(J2kTile& tile, F f)
{
    for (J2kTileComponent& tc : tile.components)
        for (J2kResolution& res : tc.resolutions)
            for (int b = 0; b < res.bandCount; b++)
                for (J2kPrecinct& precinct : res.bands[b].precincts)
                    for (J2kCodeBlock& block : precinct.blocks)
                        f(block);
}

// Bytes and distortion decrease of pass i over pass i - 1.
void PassStep(const J2kCodeBlock& block, int i, int& bytes, double& decrease)
{
    const J2kPassRecord& pass = block.passes[size_t(i)];
    bytes = pass.rate - (i ? block.passes[size_t(i - 1)].rate : 0);
    decrease = pass.distortion - (i ? block.passes[size_t(i - 1)].distortion : 0.0);
}

} // namespace

void J2kRateAllocator::ApplyThreshold(J2kTile& tile, int layer, double threshold)
{
    ForEachBlock(tile, [&](J2kCodeBlock& block) {
        int n = layer ? block.layerPasses[size_t(layer - 1)] : 0;
        for (int i = n; i < block.passCount; i++) {
            int bytes;
            double decrease;
            PassStep(block, i, bytes, decrease);
            // A pass that costs nothing rides along with the pass before it.
            if (bytes > 0 ? decrease / bytes >= threshold : n == i)
                n = i + 1;
        }
        block.layerPasses[size_t(layer)] = n;
    });
}

bool J2kRateAllocator::Fits(J2kTier2& tier2, int layer, uint8_t* scratch, int limit)
{
    try {
        tier2.Encode(scratch, limit, layer + 1);
        return true;
    } catch (const J2kError&) {
        return false;
    }
}

void J2kRateAllocator::AllocateLayer(J2kTile& tile, J2kTier2& tier2, int layer,
                                     uint8_t* scratch, int limit)
{
    double low = DBL_MAX, high = -DBL_MAX;
    ForEachBlock(tile, [&](J2kCodeBlock& block) {
        for (int i = 0; i < block.passCount; i++) {
            int bytes;
            double decrease;
            PassStep(block, i, bytes, decrease);
            if (bytes <= 0)
                continue;
            double slope = decrease / bytes;
            low = slope < low ? slope : low;
            high = slope > high ? slope : high;
        }
    });
    // Everything that is left, when it fits, keeps the layer lossless.
    ApplyThreshold(tile, layer, -DBL_MAX);
    if (Fits(tier2, layer, scratch, limit))
        return;
    bool found = false;
    double best = high;
    for (int step = 0; step < 32; step++) {
        double threshold = (low + high) / 2;
        ApplyThreshold(tile, layer, threshold);
        if (Fits(tier2, layer, scratch, limit)) {
            high = threshold;
            best = threshold;
            found = true;
        } else {
            low = threshold;
        }
    }
    if (!found) {
        // A first layer without passes would be a blank picture. A later one may
        // go out empty when its packet headers fit: the layers before it stand.
        ApplyThreshold(tile, layer, DBL_MAX);
        if (layer == 0 || !Fits(tier2, layer, scratch, limit))
            throw J2kError();
        return;
    }
    ApplyThreshold(tile, layer, best);
}
