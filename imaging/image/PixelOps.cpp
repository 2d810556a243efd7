#include "PixelOps.h"

#include "PixelWorkers.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>

namespace PixelOps {

namespace {

// Saturated colours fall outside 0..255; keeping the low byte would wrap them.
BYTE ClampToByte(double value)
{
    int truncated = static_cast<int>(value);
    return static_cast<BYTE>(std::min(255, std::max(0, truncated)));
}

void YbrToRgb(BYTE y, BYTE cb, BYTE cr, BYTE& r, BYTE& g, BYTE& b)
{
    const double Y = y, Cb = cb - 128.0, Cr = cr - 128.0;
    r = ClampToByte(Y + 1.402 * Cr);
    g = ClampToByte(Y - 0.34414 * Cb - 0.71414 * Cr);
    b = ClampToByte(Y + 1.772 * Cb);
}

// Source position (row, column) of destination (y, x) for a counter-clockwise
// rotation followed by the mirrors.
void SourceOf(int y, int x, int rows, int columns, int angle, int& r, int& c)
{
    switch (angle) {
    case 90: r = x; c = columns - 1 - y; break;
    case 180: r = rows - 1 - y; c = columns - 1 - x; break;
    case 270: r = rows - 1 - x; c = y; break;
    default: r = y; c = x; break;
    }
}

void OrientPlane(const BYTE* src, BYTE* dst, int rows, int columns, int b, int angle,
                 bool flip, bool reverse)
{
    const bool quarter = angle == 90 || angle == 270;
    const int outRows = quarter ? columns : rows;
    const int outColumns = quarter ? rows : columns;
    for (int y = 0; y < outRows; ++y) {
        const int unflippedY = flip ? outRows - 1 - y : y;
        BYTE* out = dst + static_cast<size_t>(y) * outColumns * b;
        for (int x = 0; x < outColumns; ++x) {
            const int unreversedX = reverse ? outColumns - 1 - x : x;
            int r, c;
            SourceOf(unflippedY, unreversedX, rows, columns, angle, r, c);
            const BYTE* in = src + (static_cast<size_t>(r) * columns + c) * b;
            std::memcpy(out + static_cast<size_t>(x) * b, in, b);
        }
    }
}

}  // namespace

void YbrFullPlanesToRgb(BYTE* frame, size_t pixelCount)
{
    BYTE* y = frame;
    BYTE* cb = frame + pixelCount;
    BYTE* cr = frame + 2 * pixelCount;
    for (size_t i = 0; i < pixelCount; ++i)
        YbrToRgb(y[i], cb[i], cr[i], y[i], cb[i], cr[i]);
}

void YbrFullPixelsToRgb(BYTE* frame, size_t pixelCount)
{
    for (size_t i = 0; i < pixelCount; ++i) {
        BYTE* p = frame + 3 * i;
        YbrToRgb(p[0], p[1], p[2], p[0], p[1], p[2]);
    }
}

size_t RoundUpTo4(size_t value)
{
    return (value + 3) / 4 * 4;
}

BYTE* NarrowSamples(const BYTE* src, size_t sampleCount, int bytesPerSample, int bitsStored)
{
    const int bits = bitsStored < 1 || bitsStored > bytesPerSample * 8 ? bytesPerSample * 8 : bitsStored;
    const uint64_t maximum = (uint64_t(1) << bits) - 1;
    BYTE* narrow = new (std::nothrow) BYTE[sampleCount ? sampleCount : 1];
    if (narrow == nullptr)
        return nullptr;
    for (size_t i = 0; i < sampleCount; ++i) {
        const BYTE* sample = src + i * bytesPerSample;
        uint64_t value = 0;
        for (int b = bytesPerSample - 1; b >= 0; --b)
            value = value << 8 | sample[b];
        narrow[i] = static_cast<BYTE>((value & maximum) * 255 / maximum);
    }
    return narrow;
}

BYTE* PadRows(const BYTE* src, size_t srcRowBytes, size_t rowBytes, size_t rows,
              size_t newRowBytes, size_t newRows)
{
    BYTE* out = new (std::nothrow) BYTE[newRowBytes * newRows]();
    if (!out)
        return nullptr;
    const size_t copyBytes = std::min(rowBytes, newRowBytes);
    for (size_t r = 0; r < rows && r < newRows; ++r)
        std::memcpy(out + r * newRowBytes, src + r * srcRowBytes, copyBytes);
    return out;
}

BYTE* PadPlanes(const BYTE* src, size_t columns, size_t rows, size_t newColumns,
                size_t newRows)
{
    const size_t planeBytes = columns * rows;
    const size_t newPlaneBytes = newColumns * newRows;
    BYTE* out = new (std::nothrow) BYTE[3 * newPlaneBytes]();
    if (!out)
        return nullptr;
    for (int plane = 0; plane < 3; ++plane)
        for (size_t r = 0; r < rows; ++r)
            std::memcpy(out + plane * newPlaneBytes + r * newColumns,
                        src + plane * planeBytes + r * columns, columns);
    return out;
}

namespace {

// One loop per stored type: the per-value width and sign tests of a generic
// reader cost more than the arithmetic. Frames hold little-endian values.
template <typename Stored>
void RescaleRun(BYTE* frame, size_t valueCount, double slope, double intercept, double lowest,
                double highest)
{
    for (size_t i = 0; i < valueCount; ++i) {
        Stored raw;
        std::memcpy(&raw, frame + i * sizeof raw, sizeof raw);
        const double v = raw * slope + intercept;
        const Stored scaled = static_cast<Stored>(static_cast<int>(std::max(lowest, std::min(highest, v))));
        std::memcpy(frame + i * sizeof scaled, &scaled, sizeof scaled);
    }
}

// The same values as RescaleRun when the slope is 1 and the intercept a
// whole number: sums of whole numbers are exact in either arithmetic.
template <typename Stored>
void OffsetRun(BYTE* frame, size_t valueCount, int offset, int lowest, int highest)
{
    for (size_t i = 0; i < valueCount; ++i) {
        Stored raw;
        std::memcpy(&raw, frame + i * sizeof raw, sizeof raw);
        const Stored scaled = static_cast<Stored>(std::max(lowest, std::min(highest, raw + offset)));
        std::memcpy(frame + i * sizeof scaled, &scaled, sizeof scaled);
    }
}

template <typename Stored>
void RescaleStored(BYTE* frame, size_t valueCount, double slope, double intercept, double lowest,
                   double highest)
{
    if (slope == 1 && intercept == std::trunc(intercept) && std::fabs(intercept) <= 1 << 20)
        OffsetRun<Stored>(frame, valueCount, static_cast<int>(intercept), static_cast<int>(lowest),
                          static_cast<int>(highest));
    else
        RescaleRun<Stored>(frame, valueCount, slope, intercept, lowest, highest);
}

template <typename Stored>
void ScanRun(const BYTE* frame, size_t valueCount, int& minValue, int& maxValue)
{
    Stored low = 0, high = 0;
    for (size_t i = 0; i < valueCount; ++i) {
        Stored v;
        std::memcpy(&v, frame + i * sizeof v, sizeof v);
        low = std::min(low, v);
        high = std::max(high, v);
    }
    minValue = low;
    maxValue = high;
}

}  // namespace

void Rescale(BYTE* frame, size_t valueCount, int bytesPerValue, bool readSigned,
             bool storeSigned, double slope, double intercept)
{
    if (bytesPerValue != 1 && bytesPerValue != 2)
        return;
    // Wrapping into the low bits would turn the brightest values dark.
    const int bits = 8 * bytesPerValue;
    const double lowest = storeSigned ? -(1 << (bits - 1)) : 0;
    const double highest = storeSigned ? (1 << (bits - 1)) - 1 : (1 << bits) - 1;
    // Only the low bits of the limited value are stored, so the stored type's sign does not matter.
    if (bytesPerValue == 1 && readSigned)
        RescaleStored<int8_t>(frame, valueCount, slope, intercept, lowest, highest);
    else if (bytesPerValue == 1)
        RescaleStored<uint8_t>(frame, valueCount, slope, intercept, lowest, highest);
    else if (readSigned)
        RescaleStored<int16_t>(frame, valueCount, slope, intercept, lowest, highest);
    else
        RescaleStored<uint16_t>(frame, valueCount, slope, intercept, lowest, highest);
}

void ScanRange16(const BYTE* frame, size_t valueCount, bool readSigned, int& minValue,
                 int& maxValue)
{
    if (readSigned)
        ScanRun<int16_t>(frame, valueCount, minValue, maxValue);
    else
        ScanRun<uint16_t>(frame, valueCount, minValue, maxValue);
}

bool BuildGreyTable(std::vector<BYTE>& table, int bits, int centre, int width,
                    bool signedData, bool inverted)
{
    const long n = 1L << bits;
    try {
        table.resize(static_cast<size_t>(n));
    } catch (const std::bad_alloc&) {
        return false;
    }
    const long c = centre + (signedData ? n / 2 : 0);
    const long w = width;
    const long low = c + (w >> 1) - w;
    const long high = c + (w >> 1);
    const long lo = std::min(n, std::max(0L, low));
    const long hi = std::max(lo, std::min(n, std::max(0L, high)));
    BYTE* entries = table.data();
    std::memset(entries, inverted ? 255 : 0, static_cast<size_t>(lo));
    for (long i = lo; i < hi; ++i) {
        const double ramp = static_cast<double>(i - low) / w;
        entries[i] = static_cast<BYTE>(static_cast<int>((inverted ? 1.0 - ramp : ramp) * 255.0));
    }
    std::memset(entries + hi, inverted ? 0 : 255, static_cast<size_t>(n - hi));
    if (signedData)
        std::rotate(table.begin(), table.begin() + n / 2, table.end());
    return true;
}

namespace {

void MapGreyRun(const BYTE* src, BYTE* dst, size_t count, int bytesPerValue, const BYTE* table)
{
    if (bytesPerValue == 1) {
        for (size_t i = 0; i < count; ++i)
            dst[i] = table[src[i]];
        return;
    }
    // Whole words at a time; the frames hold little-endian values.
    size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        uint64_t words;
        std::memcpy(&words, src + 2 * i, 8);
        dst[i] = table[words & 0xFFFF];
        dst[i + 1] = table[(words >> 16) & 0xFFFF];
        dst[i + 2] = table[(words >> 32) & 0xFFFF];
        dst[i + 3] = table[words >> 48];
    }
    for (; i < count; ++i)
        dst[i] = table[src[2 * i] | (src[2 * i + 1] << 8)];
}

}  // namespace

void MapGrey(const BYTE* src, BYTE* dst, size_t count, int bytesPerValue, const BYTE* table,
             size_t sliceValues)
{
    if (sliceValues == 0 || count <= sliceValues) {
        MapGreyRun(src, dst, count, bytesPerValue, table);
        return;
    }
    PixelWorkers::Run(count, sliceValues, [=](size_t begin, size_t end) {
        MapGreyRun(src + begin * bytesPerValue, dst + begin, end - begin, bytesPerValue, table);
    });
}

void BuildRgbTable(BYTE table[256], int centre, int width)
{
    for (int i = 0; i < 256; ++i) {
        float v = i * (256.0f / width) + (128 - centre);
        v = std::min(255.0f, std::max(0.0f, v));
        table[i] = static_cast<BYTE>(v);
    }
}

void MapRgb(const BYTE* src, BYTE* dst, size_t pixelCount, bool planar, bool inverse,
            const BYTE table[256])
{
    const BYTE mask = inverse ? 255 : 0;
    for (size_t i = 0; i < pixelCount; ++i) {
        BYTE r, g, b;
        if (planar) {
            r = src[i];
            g = src[pixelCount + i];
            b = src[2 * pixelCount + i];
        } else {
            r = src[3 * i];
            g = src[3 * i + 1];
            b = src[3 * i + 2];
        }
        dst[3 * i] = table[b] ^ mask;
        dst[3 * i + 1] = table[g] ^ mask;
        dst[3 * i + 2] = table[r] ^ mask;
    }
}

void OrientedPosition(int row, int column, int rows, int columns, int angle, bool flip, bool reverse,
                      int& y, int& x)
{
    y = row;
    x = column;
    if (angle % 90 != 0)
        return;
    // The inverse of SourceOf, then the mirrors.
    switch (angle) {
    case 90: y = columns - 1 - column; x = row; break;
    case 180: y = rows - 1 - row; x = columns - 1 - column; break;
    case 270: y = column; x = rows - 1 - row; break;
    default: break;
    }
    const bool quarter = angle == 90 || angle == 270;
    if (flip)
        y = (quarter ? columns : rows) - 1 - y;
    if (reverse)
        x = (quarter ? rows : columns) - 1 - x;
}

void OrientFrame(const BYTE* src, BYTE* dst, int rows, int columns, int bytesPerPixel,
                 bool planar, int angle, bool flip, bool reverse)
{
    if (angle % 90 != 0 || rows < 1 || columns < 1)
        return;
    if (!(planar && bytesPerPixel == 3)) {
        OrientPlane(src, dst, rows, columns, bytesPerPixel, angle, flip, reverse);
        return;
    }
    const size_t planeBytes = static_cast<size_t>(rows) * columns;
    for (int plane = 0; plane < 3; ++plane)
        OrientPlane(src + plane * planeBytes, dst + plane * planeBytes, rows, columns, 1,
                    angle, flip, reverse);
}

}  // namespace PixelOps
