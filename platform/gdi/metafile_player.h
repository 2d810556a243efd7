// What the two metafile players share: the logical-to-device mapping, the
// object table, and shapes that our device contexts lack, drawn in device
// coordinates.
#pragma once

#include <cstdint>
#include <cstddef>
#include <string>
#include <vector>

#include "gdi/font_cache_model.h"
#include "gdi/gdiapi.h"
#include "gdi/metafile.h"
#include "gdi/playback_deadline.h"
#include "gdi/raster.h"
#include "gdi/text_frame.h"

namespace gdi {

// A little-endian record body with bounds-checked reads: a read past the
// end yields 0 and marks the record as short.
class RecordReader {
public:
    RecordReader(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    size_t Size() const { return m_size; }
    bool Has(size_t offset, size_t bytes) const { return offset <= m_size && bytes <= m_size - offset; }
    uint32_t U32(size_t offset) const;
    int32_t S32(size_t offset) const { return int32_t(U32(offset)); }
    uint16_t U16(size_t offset) const;
    int16_t S16(size_t offset) const { return int16_t(U16(offset)); }
    uint8_t U8(size_t offset) const { return Has(offset, 1) ? m_data[offset] : 0; }
    const uint8_t* At(size_t offset) const { return m_data + offset; }

private:
    const uint8_t* m_data;
    size_t m_size;
};

// A text record's characters, each with the spacing of the units it is
// written in (bytes or UTF-16 units) summed: its advance and, where the
// record gives pairs, its rise, in logical units. No spacing when the
// record has none.
struct RecordText {
    std::u32string chars;
    std::vector<double> advance;
    std::vector<double> rise;
    bool spaced() const { return !advance.empty(); }
};

// spacing: one value a unit, or two (advance, rise) with pairs; empty for
// none. The text ends at its first NUL.
RecordText Latin1Text(const uint8_t* text, size_t length, const std::vector<int32_t>& spacing, bool pairs);
RecordText Utf16Text(const uint8_t* text, size_t units, const std::vector<int32_t>& spacing, bool pairs);

// The modelled work, in nanoseconds, past which playback stops, the
// picture's set-up and hand-over included.
constexpr double kPlaybackBudget = 2.5e9;

class MetafilePlayer {
public:
    MetafilePlayer(HDC dc, const RECT& dest);
    virtual ~MetafilePlayer();

    // True once the drawing, the picture's set-up with it, has cost more
    // time than any picture a person drew needs, or has run past the
    // deadline; playback then stops.
    bool Exhausted() const;
    // The modelled cost of the work charged so far, in nanoseconds.
    double Spent() const { return m_spent; }

protected:
    // Whether to play the next record: false once the drawing is exhausted.
    bool KeepPlaying();

    struct Mapping {
        int mapMode = MM_TEXT;
        POINT windowOrg{0, 0};
        SIZE windowExt{1, 1};
        POINT viewportOrg{0, 0};
        SIZE viewportExt{1, 1};
        double world[6] = {1, 0, 0, 1, 0, 0};  // eM11 eM12 eM21 eM22 eDx eDy
    };

    // Logical to device, through the world transform, the mapping mode and
    // the player's own placement of the picture.
    POINT ToDevice(double x, double y) const;
    PointD ToDeviceExact(double x, double y) const;
    PointD ToReference(double x, double y) const;
    // Whether the world transform turns or shears what is drawn off its
    // axes: shapes then go as their turned outlines. Quarter turns keep
    // axes as axes.
    bool Turns() const;
    // The device steps {xx, xy, yx, yy} of one logical unit along x and y,
    // float noise in a quarter turn taken for the 0 it stands for.
    void LinearPart(double m[4]) const;
    virtual PointD ReferenceToDevice(const PointD& p) const = 0;
    double ScaleLength(double length) const;
    // The device box of a logical rectangle, its turned corners included.
    RECT ToDeviceRect(int left, int top, int right, int bottom) const;
    std::vector<PointD> Corners(int left, int top, int right, int bottom) const;
    std::vector<POINT> ToDevicePoints(const std::vector<PointD>& logical) const;

    // Object table slots; created objects are deleted with the player.
    void SetSlot(size_t index, HGDIOBJ object);
    HGDIOBJ Slot(size_t index) const;
    void DeleteSlot(size_t index);
    HPEN MakePen(int style, int width, COLORREF color);
    HBRUSH MakeBrush(UINT style, COLORREF color);
    HFONT MakeFont(LOGFONT font);

    // Shapes and text, logical coordinates in.
    void DrawPolygon(const std::vector<PointD>& points);
    void DrawPolyline(const std::vector<PointD>& points);
    void DrawPolyPolygon(const std::vector<std::vector<PointD>>& rings);
    void DrawRectangle(int left, int top, int right, int bottom);
    void DrawEllipse(int left, int top, int right, int bottom);
    void DrawRoundRect(int left, int top, int right, int bottom, int width, int height);
    enum class ArcKind { Arc, Chord, Pie };
    void DrawArc(ArcKind kind, int left, int top, int right, int bottom, int xStart, int yStart,
                 int xEnd, int yEnd);
    // advanced: drawn in the advanced graphics mode, where text follows the
    // world transform; otherwise only its position and height do.
    void DrawText(int x, int y, UINT options, const RECT* logicalRect, const RecordText& text, bool advanced);
    // bitsOffset kPackedBits: the bits follow the header and colour table.
    static const size_t kPackedBits = SIZE_MAX;
    void DrawDib(int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
                 int srcWidth, int srcHeight, const RecordReader& record, size_t infoOffset,
                 size_t infoBytes, size_t bitsOffset, size_t bitsBytes, DWORD rop);
    void PatternFill(const RECT& deviceRect, DWORD rop);
    void PaintPixel(POINT device, COLORREF color);
    void IntersectClip(int left, int top, int right, int bottom);
    void ExcludeClip(int left, int top, int right, int bottom);
    void ClipByTurned(int left, int top, int right, int bottom, int mode);
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void SaveState();
    void RestoreState(int relative);

    // Charges the work of a drawing, in nanoseconds; false once the budget
    // is spent.
    bool Afford(double nanoseconds);
    // Charges a clip operation that combines the given number of rectangles.
    bool AffordClip(uint64_t rects);
    double ClipCost() const;
    // Costs of filling a device box or outline, of the rows of a box and of
    // the current pen along a device path.
    double FillCost(RECT box, double perPixel) const;
    double FillCost(const std::vector<POINT>& outline) const;
    double RowCost(RECT box, double perRow) const;
    double StrokeCost(const std::vector<POINT>& path, bool closed) const;
    // The cost of the pieces a clip of many parts cuts a drawing over the
    // box into, at most one a pixel.
    double PieceCost(RECT box, double pixels) const;
    // The cost of opening the current font and rendering the text's glyphs
    // in it, for those the font cache would not hold.
    double RenderCost(const std::u32string& chars, const GlyphTransform& turn, uint64_t cell, long height);
    // The cost of a pixel on the picture: a plain copy, or combined by a
    // binary or a ternary raster operation.
    double PixelRate(bool plainCopy, bool binary) const;
    double PaintRate() const;
    int PenWidth(LOGPEN* logical = nullptr) const;
    static double RegionRows(RECT box);
    TextFrame FrameOf(const LOGFONT& font, bool advanced) const;
    double TurnedAreasCost(const TextFrame& frame, POINT p, double length, const TEXTMETRIC& metrics,
                           const LOGFONT& font, const std::vector<POINT>& box, UINT options) const;
    std::vector<INT> DeviceSpacing(const RecordText& text, double alongScale, double riseScale) const;
    static RECT BoundingBox(const std::vector<POINT>& points);

    HDC m_dc;
    RECT m_dest;
    Mapping m_map;
    std::vector<Mapping> m_savedMaps;
    std::vector<HGDIOBJ> m_slots;
    std::vector<HGDIOBJ> m_created;
    int m_savedDc;
    double m_spent = 0;
    PlaybackDeadline m_deadline;
    FontCacheModel m_fontCache;
};

// The modelled cost of this thread's last metafile playback, in
// nanoseconds: what the benchmarks hold the measured time against.
double LastPlaybackCost();

std::string Latin1ToUtf8(const uint8_t* text, size_t length);
std::string Utf16ToUtf8(const uint8_t* text, size_t units);

}  // namespace gdi
