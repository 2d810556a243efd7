#include "J2kTier2.h"

#include <algorithm>
#include <cstring>

#include "J2kTier1.h"

namespace {

const int kNeverIncluded = 1 << 20;
const int kMaxZeroPlanes = 74;

int FloorLog2(int v)
{
    int l = 0;
    while (v > 1) {
        v >>= 1;
        l++;
    }
    return l;
}

void PutPassCount(J2kBitWriter& bits, int n)
{
    if (n == 1)
        bits.Put(0);
    else if (n == 2)
        bits.PutBits(2, 2);
    else if (n <= 5)
        bits.PutBits(0xC | unsigned(n - 3), 4);
    else if (n <= 36)
        bits.PutBits(0x1E0 | unsigned(n - 6), 9);
    else
        bits.PutBits(0xFF80 | unsigned(n - 37), 16);
}

int GetPassCount(J2kBitReader& bits)
{
    if (!bits.Get())
        return 1;
    if (!bits.Get())
        return 2;
    int v = int(bits.GetBits(2));
    if (v < 3)
        return 3 + v;
    v = int(bits.GetBits(5));
    if (v < 31)
        return 6 + v;
    return 37 + int(bits.GetBits(7));
}

int PassRate(const J2kCodeBlock& block, int passes)
{
    return passes == 0 ? 0 : block.passes[size_t(passes - 1)].rate;
}

// Passes a codeword segment starting at the given pass may hold.
int SegmentCapacity(int style, int firstPass)
{
    if (style & J2K_CBLK_TERMALL)
        return 1;
    if (style & J2K_CBLK_BYPASS) {
        if (firstPass < 10)
            return 10 - firstPass;
        return ((firstPass - 10) % 3 == 0) ? 2 : 1;
    }
    return kJ2kMaxPasses;
}

} // namespace

J2kTier2::J2kTier2(J2kTile& t, int layerCount, int order, int style,
                   const std::vector<int>& styles, const std::vector<int>& shifts)
    : tile(t), codingStyle(style), blockStyles(styles), roiShifts(shifts)
{
    packets = J2kPacketIterator::Sequence(tile, layerCount, order);
}

// ---- encoding ----

int J2kTier2::Encode(uint8_t* dest, int len, int layerCount)
{
    J2kByteCursor out(dest, len);
    for (const J2kPacket& packet : packets)
        if (packet.layer < layerCount)
            EncodePacket(out, packet);
    return out.Tell();
}

void J2kTier2::EncodeBlockHeader(J2kBitWriter& bits, J2kPrecinct& precinct, int index, int layer)
{
    J2kCodeBlock& block = precinct.blocks[size_t(index)];
    int newPasses = block.layerPasses[size_t(layer)] - block.includedPasses;
    block.newPasses = newPasses;
    if (block.includedPasses == 0)
        precinct.inclusion.Encode(bits, index, layer + 1);
    else
        bits.Put(newPasses > 0);
    if (newPasses == 0)
        return;
    if (block.includedPasses == 0)
        precinct.zeroPlanes.Encode(bits, index, precinct.zeroPlanes.Value(index) + 1);
    PutPassCount(bits, newPasses);
    int length = PassRate(block, block.includedPasses + newPasses) - PassRate(block, block.includedPasses);
    int passBits = FloorLog2(newPasses);
    int needed = length > 0 ? FloorLog2(length) + 1 : 0;
    while (block.lblock + passBits < needed) {
        bits.Put(1);
        block.lblock++;
    }
    bits.Put(0);
    bits.PutBits(unsigned(length), block.lblock + passBits);
}

void J2kTier2::EncodePacket(J2kByteCursor& out, const J2kPacket& packet)
{
    J2kTileComponent& tc = tile.components[size_t(packet.component)];
    J2kResolution& res = tc.resolutions[size_t(packet.resolution)];
    if (packet.layer == 0) {
        for (int b = 0; b < res.bandCount; b++) {
            J2kBand& band = res.bands[b];
            J2kPrecinct& precinct = band.precincts[size_t(packet.precinct)];
            precinct.inclusion.Reset();
            precinct.zeroPlanes.Reset();
            for (size_t i = 0; i < precinct.blocks.size(); i++) {
                J2kCodeBlock& block = precinct.blocks[i];
                block.lblock = 3;
                block.includedPasses = 0;
                int first = kNeverIncluded;
                for (size_t l = 0; l < block.layerPasses.size(); l++)
                    if (block.layerPasses[l] > 0) {
                        first = int(l);
                        break;
                    }
                precinct.inclusion.SetValue(int(i), first);
                precinct.zeroPlanes.SetValue(int(i), band.magnitudeBits +
                                                         roiShifts[size_t(packet.component)] -
                                                         block.bitPlanes);
            }
        }
    }
    J2kBitWriter bits(out);
    bits.Put(1);
    for (int b = 0; b < res.bandCount; b++) {
        J2kPrecinct& precinct = res.bands[b].precincts[size_t(packet.precinct)];
        for (size_t i = 0; i < precinct.blocks.size(); i++)
            EncodeBlockHeader(bits, precinct, int(i), packet.layer);
    }
    bits.Flush();
    for (int b = 0; b < res.bandCount; b++) {
        J2kPrecinct& precinct = res.bands[b].precincts[size_t(packet.precinct)];
        for (J2kCodeBlock& block : precinct.blocks) {
            if (block.newPasses == 0)
                continue;
            int from = PassRate(block, block.includedPasses);
            int to = PassRate(block, block.includedPasses + block.newPasses);
            if (to - from > out.BytesLeft())
                throw J2kError();
            memcpy(out.Pointer(), block.data.data() + from, size_t(to - from));
            out.Skip(to - from);
            block.includedPasses += block.newPasses;
            block.newPasses = 0;
        }
    }
}

// ---- decoding ----

void J2kTier2::Decode(const uint8_t* src, int len)
{
    int position = 0;
    for (const J2kPacket& packet : packets)
        position += DecodePacket(src + position, len - position, packet);
}

void J2kTier2::DecodeBlockHeader(J2kBitReader& bits, J2kPrecinct& precinct, int index,
                                 int layer, int numbps, int style)
{
    J2kCodeBlock& block = precinct.blocks[size_t(index)];
    block.newPasses = 0;
    bool included = block.everIncluded ? bits.Get() != 0
                                       : precinct.inclusion.Decode(bits, index, layer + 1);
    if (!included)
        return;
    if (!block.everIncluded) {
        int threshold = 1;
        while (!precinct.zeroPlanes.Decode(bits, index, threshold))
            if (++threshold > kMaxZeroPlanes)
                throw J2kError();
        block.bitPlanes = numbps - precinct.zeroPlanes.Value(index);
        if (block.bitPlanes < 0)
            throw J2kError();
        block.everIncluded = true;
    }
    int newPasses = GetPassCount(bits);
    if (block.passCount + newPasses > kJ2kMaxPasses)
        throw J2kError();
    while (bits.Get())
        if (++block.lblock > 32)
            throw J2kError();
    block.newPasses = newPasses;
    block.pending.clear();
    int pass = block.passCount;
    // offset -1 continues the block's last segment.
    bool continues = !block.segments.empty() &&
                     block.segments.back().passCount < block.segments.back().maxPasses;
    int room = continues ? block.segments.back().maxPasses - block.segments.back().passCount : 0;
    while (newPasses > 0) {
        J2kSegment portion{0, 0, continues ? -1 : 0, 0};
        if (!continues) {
            portion.maxPasses = SegmentCapacity(style, pass);
            room = portion.maxPasses;
        }
        portion.passCount = std::min(newPasses, room);
        int lengthBits = block.lblock + FloorLog2(portion.passCount);
        if (lengthBits > 31)
            throw J2kError();
        portion.length = int(bits.GetBits(lengthBits));
        block.pending.push_back(portion);
        pass += portion.passCount;
        newPasses -= portion.passCount;
        continues = false;
    }
}

void J2kTier2::ReadBodies(J2kByteCursor& in, J2kResolution& res, int precinctIndex)
{
    for (int b = 0; b < res.bandCount; b++) {
        J2kPrecinct& precinct = res.bands[b].precincts[size_t(precinctIndex)];
        for (J2kCodeBlock& block : precinct.blocks) {
            if (block.newPasses == 0)
                continue;
            block.newPasses = 0;
            for (const J2kSegment& portion : block.pending) {
                if (int(block.data.size()) + portion.length > kJ2kMaxBlockBytes)
                    throw J2kError();
                // A truncated body keeps the bytes that came.
                int available = std::min(portion.length, in.BytesLeft());
                if (portion.offset < 0) {
                    block.segments.back().passCount += portion.passCount;
                    block.segments.back().length += available;
                } else {
                    block.segments.push_back({portion.passCount, portion.maxPasses,
                                              int(block.data.size()), available});
                }
                block.passCount += portion.passCount;
                block.data.insert(block.data.end(), in.Pointer(), in.Pointer() + available);
                in.Skip(available);
                if (available < portion.length)
                    throw J2kError();
            }
            block.pending.clear();
        }
    }
}

int J2kTier2::DecodePacket(const uint8_t* src, int len, const J2kPacket& packet)
{
    J2kTileComponent& tc = tile.components[size_t(packet.component)];
    J2kResolution& res = tc.resolutions[size_t(packet.resolution)];
    int start = 0;
    if ((codingStyle & 2) && len >= 6 && src[0] == 0xFF && src[1] == 0x91)
        start = 6;
    J2kBitReader bits(src + start, len - start);
    int style = blockStyles[size_t(packet.component)];
    int numbpsShift = roiShifts[size_t(packet.component)];
    if (bits.Get()) {
        for (int b = 0; b < res.bandCount; b++) {
            J2kBand& band = res.bands[b];
            J2kPrecinct& precinct = band.precincts[size_t(packet.precinct)];
            precinct.MakeBlocks();
            for (size_t i = 0; i < precinct.blocks.size(); i++)
                DecodeBlockHeader(bits, precinct, int(i), packet.layer,
                                  band.magnitudeBits + numbpsShift, style);
        }
    } else {
        for (int b = 0; b < res.bandCount; b++)
            for (J2kCodeBlock& block : res.bands[b].precincts[size_t(packet.precinct)].blocks)
                block.newPasses = 0;
    }
    int used = start + bits.Align();
    if ((codingStyle & 4) && used + 2 <= len && src[used] == 0xFF && src[used + 1] == 0x92)
        used += 2;
    J2kByteCursor in(const_cast<uint8_t*>(src) + used, len - used);
    ReadBodies(in, res, packet.precinct);
    return used + in.Tell();
}
