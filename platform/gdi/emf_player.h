// Plays the records of an enhanced metafile: its picture frame, in the
// reference device's pixels, is mapped onto the destination rectangle.
#pragma once

#include "gdi/metafile_player.h"

namespace gdi {

class EmfPlayer : public MetafilePlayer {
public:
    EmfPlayer(HDC dc, const RECT& dest, const ENHMETAHEADER& header);
    // bytes: the whole metafile, from its header record on.
    void Play(const uint8_t* bytes, size_t size);

protected:
    PointD ReferenceToDevice(const PointD& p) const override;

private:
    void PlayRecord(uint32_t type, const RecordReader& r);
    bool PlayState(uint32_t type, const RecordReader& r);
    bool PlayMapping(uint32_t type, const RecordReader& r);
    bool PlayObject(uint32_t type, const RecordReader& r);
    bool PlayShape(uint32_t type, const RecordReader& r);
    bool PlayPoly(uint32_t type, const RecordReader& r);
    bool PlayPath(uint32_t type, const RecordReader& r);
    bool PlayTextOrBitmap(uint32_t type, const RecordReader& r);
    void SelectClipRects(const RecordReader& r);
    void ModifyWorld(const RecordReader& r, uint32_t mode);
    std::vector<PointD> Points(const RecordReader& r, size_t offset, size_t count, bool small) const;
    void AddToPath(const std::vector<PointD>& points, bool newFigure);
    void FinishPath(bool fill, bool stroke);

    double m_frameLeft, m_frameTop, m_scaleX, m_scaleY;
    PointD m_position{0, 0};
    bool m_inPath = false;
    std::vector<std::vector<PointD>> m_path;
};

}  // namespace gdi
