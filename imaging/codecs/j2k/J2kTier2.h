// Tier-2: packets of code-block contributions with their headers (inclusion and
// zero-bit-plane tag trees, pass counts, length indicators).
#pragma once

#include <cstdint>
#include <vector>

#include "J2kBitIO.h"
#include "J2kPacketIterator.h"
#include "J2kTileStructures.h"

class J2kTier2 {
public:
    // codingStyle: Scod (SOP and EPH bits); blockStyles and roiShifts per component.
    J2kTier2(J2kTile& tile, int layerCount, int order, int codingStyle,
             const std::vector<int>& blockStyles, const std::vector<int>& roiShifts);
    // Writes the packets of layers 0 .. layerCount - 1; throws J2kError past len.
    int Encode(uint8_t* dest, int len, int layerCount);
    // Reads every packet; throws J2kError on a malformed or truncated packet after
    // keeping what came before it.
    void Decode(const uint8_t* src, int len);

private:
    void EncodePacket(J2kByteCursor& out, const J2kPacket& packet);
    void EncodeBlockHeader(J2kBitWriter& bits, J2kPrecinct& precinct, int index, int layer);
    int DecodePacket(const uint8_t* src, int len, const J2kPacket& packet);
    void DecodeBlockHeader(J2kBitReader& bits, J2kPrecinct& precinct, int index, int layer,
                           int numbps, int style);
    void ReadBodies(J2kByteCursor& in, J2kResolution& res, int precinct);

    J2kTile& tile;
    std::vector<J2kPacket> packets;
    int codingStyle;
    std::vector<int> blockStyles;
    std::vector<int> roiShifts;
};
