// Plays the records of a Windows metafile: the logical window is mapped
// onto the destination rectangle.
#pragma once

#include "gdi/metafile_player.h"

namespace gdi {

class WmfPlayer : public MetafilePlayer {
public:
    WmfPlayer(HDC dc, const RECT& dest);
    // bytes: the whole metafile, from its 18-byte header on.
    void Play(const uint8_t* bytes, size_t size);

protected:
    PointD ReferenceToDevice(const PointD& p) const override { return p; }

private:
    void PlayRecord(uint16_t function, const RecordReader& r);
    bool PlayState(uint16_t function, const RecordReader& r);
    bool PlayMapping(uint16_t function, const RecordReader& r);
    bool PlayObject(uint16_t function, const RecordReader& r);
    bool PlayShape(uint16_t function, const RecordReader& r);
    bool PlayTextOrBitmap(uint16_t function, const RecordReader& r);
    void AddObject(HGDIOBJ object);
    std::vector<PointD> Points(const RecordReader& r, size_t offset, size_t count) const;
};

}  // namespace gdi
