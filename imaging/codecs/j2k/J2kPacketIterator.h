// The order of a tile's packets under the five progression orders.
#pragma once

#include <vector>

#include "J2kTileStructures.h"

struct J2kPacket {
    int layer;
    int resolution;
    int component;
    int precinct;
};

class J2kPacketIterator {
public:
    static std::vector<J2kPacket> Sequence(const J2kTile& tile, int layerCount, int order);

private:
    static void Positional(const J2kTile& tile, int layerCount, int order,
                           std::vector<J2kPacket>& out);
};
