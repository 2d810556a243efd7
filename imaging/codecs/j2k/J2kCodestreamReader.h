// Reads a codestream: the marker state machine over the main and tile-part
// headers, collecting each tile's data until the end marker decodes them all.
#pragma once

#include <cstdint>
#include <vector>

#include "J2kByteCursor.h"
#include "J2kCodec.h"

class J2kCodestreamReader {
public:
    // The records are the caller's, allocated zeroed; they stay consistent for
    // j2k_destroy whatever happens.
    J2kCodestreamReader(J2kImage& image, J2kCodingParameters& cp);
    ~J2kCodestreamReader();
    // Bytes consumed once the end marker was processed and every tile decoded, else 0.
    int Read(unsigned char* src, int len);

    enum State {
        kBeforeSoc = 1,
        kExpectSiz = 2,
        kMainHeader = 4,
        kAfterTileData = 8,
        kTilePartHeader = 16,
        kFinished = 32
    };

private:
    bool Step();
    J2kByteCursor Segment();
    void ReadSiz();
    void AllocateComponents(J2kByteCursor& seg);
    void AllocateSamples();
    void ReadCod();
    void ReadCoc();
    void ReadQcd();
    void ReadQcc();
    void ReadRgn();
    void ReadPoc();
    void ReadSot();
    void ReadSod();
    bool DecodeTiles();
    void ReadSpcod(J2kByteCursor& seg, J2kTileComponentParameters& tccp);
    void ReadSqcd(J2kByteCursor& seg, J2kTileComponentParameters& tccp);
    int ReadComponentNumber(J2kByteCursor& seg);
    J2kTileCodingParameters& Target();

    J2kImage& image;
    J2kCodingParameters& cp;
    J2kByteCursor in;
    int state = kBeforeSoc;
    int currentTile = -1;
    int tilePartEnd = 0;
    int length = 0;
    J2kTileCodingParameters defaults{};
    std::vector<std::vector<uint8_t>> tileData;
    std::vector<bool> tileSeen;
    // The first progression-order change of the main header or of a tile. The
    // packets follow it alone when it covers the whole tile, the only case
    // decoded; its later records then have no packets left.
    struct PocStart {
        bool present = false;
        int layers = 0, resolutions = 0, components = 0, order = 0;
    };
    PocStart mainPoc;
    std::vector<PocStart> tilePoc;
    bool PocCovers(const PocStart& poc, const J2kTileCodingParameters& tcp) const;
    // Components given their own COC or QCC in the header being read: a COD or
    // QCD of the same header, before or after, leaves them alone.
    std::vector<bool> ownCoding, ownQuantisation;
};
