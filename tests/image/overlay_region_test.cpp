// Region statistics on the generated ramp image, and stored overlays that
// opening a file must leave exactly as they were.
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "OverlayImageFixture.h"
#include "OverLayEllipse.h"
#include "OverLayLine.h"
#include "OverLayPoly.h"
#include "OverLayRect.h"
#include "OverLayText.h"

namespace {

// The fixture's image: 24 columns, 16 rows, pixel (x, y) holding y * 24 + x.
const int kImageColumns = 24;
const int kImageRows = 16;

template <class Kind>
Kind* Add(COverLayManager* manager, Kind* overlay)
{
    overlay->SetOwner(manager);
    manager->AddOverlay(overlay);
    overlay->LoadPixelSpacing();
    return overlay;
}

// The statistics as the pixel-by-pixel walk over the candidates finds them:
// x = l + 1 to r, y = t + 1 to b within the image and a one-pixel ring, each
// tested against the region object; reset when one counted pixel lies outside
// the image or none counts.
struct Walked {
    bool reset = true;
    double mean = 0;
    double deviation = 0;
    long long count = 0;
};

Walked Walk(const CRect& r, const CRgn* region)
{
    const int columns = kImageColumns, rows = kImageRows;
    std::vector<short> values;
    for (int y = std::max(r.top + 1, -1); y <= std::min<int>(r.bottom, rows); ++y)
        for (int x = std::max(r.left + 1, -1); x <= std::min<int>(r.right, columns); ++x) {
            if (region != nullptr && !region->PtInRegion(x, y))
                continue;
            if (x < 0 || y < 0 || x >= columns || y >= rows)
                return {};
            values.push_back(static_cast<short>(y * columns + x));
        }
    Walked w;
    if (values.empty())
        return w;
    double sum = 0;
    for (short v : values)
        sum += v;
    w.reset = false;
    w.count = static_cast<long long>(values.size());
    w.mean = sum / static_cast<double>(values.size());
    double squares = 0;
    for (short v : values)
        squares += (v - w.mean) * (v - w.mean);
    w.deviation = std::sqrt(squares / static_cast<double>(values.size()));
    return w;
}

void ExpectSame(const Walked& walked, const CRegionStats& stats, const std::string& what)
{
    EXPECT_EQ(stats.m_dMean, walked.mean) << what;
    EXPECT_EQ(stats.m_dDeviation, walked.deviation) << what;
    if (!walked.reset) {
        EXPECT_EQ(stats.m_nCount, walked.count) << what;
    }
}

// Deterministic coordinates around and across the 24 x 16 image.
struct Coordinates {
    unsigned state = 12345;
    int Next(int low, int high)
    {
        state = state * 1103515245u + 12345u;
        return low + static_cast<int>((state >> 8) % static_cast<unsigned>(high - low + 1));
    }
};

TEST_F(OverlayImageTest, EllipseCountsThePixelsWhoseCentresLieInside)
{
    COverLayManager* m = Open("0.5\\0.25");
    ASSERT_NE(m, nullptr);
    COverLayEllipse* ellipse = Add(m, new COverLayEllipse);
    // Radii 6.5 and 3.5 about (9.5, 5.5): rows 3 to 8 hold 11, 12, 12, 12, 11
    // and 7 pixels (x 4..14, 4..15, 4..15, 4..15, 4..14, 6..12).
    ellipse->SetFromRecord(3, 2, 16, 9);
    ellipse->Measure();
    EXPECT_EQ(ellipse->m_Box.m_Stats.m_nCount, 65);
    EXPECT_EQ(ellipse->GetInfoText(), CString("M:137.03 S:38.69 A:8.93"));
    // The same ellipse stored with its corners swapped counts no candidate.
    ellipse->SetFromRecord(16, 9, 3, 2);
    ellipse->Measure();
    EXPECT_EQ(ellipse->GetInfoText(), CString("M:0.00 S:0.00 A:0.00"));
}

TEST_F(OverlayImageTest, RegionStatisticsEqualThePixelByPixelWalk)
{
    COverLayManager* m = Open("0.5\\0.25");
    ASSERT_NE(m, nullptr);
    COverLayRect* rect = Add(m, new COverLayRect);
    COverLayEllipse* ellipse = Add(m, new COverLayEllipse);
    COverLayPoly* poly = Add(m, new COverLayPoly);
    Coordinates c;
    int measured = 0;
    for (int i = 0; i < 300; ++i) {
        const int l = c.Next(-4, 26), t = c.Next(-4, 18);
        const CRect r(l, t, l + c.Next(-2, 14), t + c.Next(-2, 11));
        const std::string what = "case " + std::to_string(i);
        rect->SetFromRecord(r.left, r.top, r.right, r.bottom);
        rect->Measure();
        const Walked walkedRect = Walk(r, nullptr);
        ExpectSame(walkedRect, rect->m_Box.m_Stats, what + " rectangle");
        measured += walkedRect.reset ? 0 : 1;

        CRgn elliptic;
        ASSERT_TRUE(elliptic.CreateEllipticRgn(r.left, r.top, r.right, r.bottom));
        ellipse->SetFromRecord(r.left, r.top, r.right, r.bottom);
        ellipse->Measure();
        ExpectSame(Walk(r, &elliptic), ellipse->m_Box.m_Stats, what + " ellipse");

        CArray<CPoint, CPoint> vertices;
        std::vector<POINT> points;
        for (int n = c.Next(3, 7); n > 0; --n) {
            const CPoint p(c.Next(-3, 27), c.Next(-3, 19));
            vertices.Add(p);
            points.push_back({p.x, p.y});
        }
        poly->SetFromRecord(vertices);
        poly->Measure();
        CRgn polygon;
        Walked walkedPoly;
        if (polygon.CreatePolygonRgn(points.data(), static_cast<int>(points.size()), ALTERNATE)) {
            CRect box;
            polygon.GetRgnBox(&box);
            walkedPoly = Walk(box, &polygon);
        }
        ExpectSame(walkedPoly, poly->m_Stats, what + " polygon");
        if (!walkedPoly.reset) {
            EXPECT_EQ(poly->m_Stats.m_dArea, static_cast<float>(walkedPoly.count) * 0.5f * 0.25f) << what;
        }
    }
    // The cases measure inside the image as well as reset outside it.
    EXPECT_GT(measured, 30);
    EXPECT_LT(measured, 250);
    EXPECT_EQ(m->GetCount(), 3);
}

TEST_F(OverlayImageTest, RegionsSpanningTheCoordinateRangeMeasureAsLeavingTheImage)
{
    COverLayManager* m = Open("0.5\\0.25");
    ASSERT_NE(m, nullptr);
    COverLayEllipse* ellipse = Add(m, new COverLayEllipse);
    ellipse->SetFromRecord(-32768, -32768, 32767, 32767);
    ellipse->Measure();
    EXPECT_EQ(ellipse->GetInfoText(), CString("M:0.00 S:0.00 A:0.00"));
    // Vertices far outside, edges crossing the image: its pixels leave it.
    COverLayPoly* poly = Add(m, new COverLayPoly);
    CArray<CPoint, CPoint> vertices;
    for (CPoint p : {CPoint(-32768, 5), CPoint(32767, 3), CPoint(32767, 12), CPoint(-32768, 11)})
        vertices.Add(p);
    poly->SetFromRecord(vertices);
    poly->Measure();
    EXPECT_EQ(poly->GetInfoText(), CString("M:0.00 S:0.00 A:0.00"));
    // The same band kept inside the columns measures rows 4 to 10.
    vertices[0].x = vertices[3].x = 3;
    vertices[1].x = vertices[2].x = 9;
    poly->SetFromRecord(vertices);
    poly->Measure();
    EXPECT_NE(poly->GetInfoText(), CString("M:0.00 S:0.00 A:0.00"));
    EXPECT_EQ(m->GetCount(), 2);
}

std::vector<BYTE> Bytes(const std::vector<int>& words)
{
    std::vector<BYTE> out;
    for (int w : words) {
        out.push_back(static_cast<BYTE>(w & 0xFF));
        out.push_back(static_cast<BYTE>((w >> 8) & 0xFF));
    }
    return out;
}

std::vector<BYTE> BuiltBlob(COverLayManager* manager)
{
    manager->BuildRecords();
    const BYTE* blob = manager->GetRecordsBlob();
    return blob ? std::vector<BYTE>(blob, blob + manager->GetRecordsBlobSize()) : std::vector<BYTE>();
}

// Records that opening must keep as they are: polygons enclosing no pixel,
// and texts with bytes that code page 936 has no character for.
const std::vector<int> kKeptAsRead = {
    3, 2, 4, 4, 12, 9,                          // two vertices
    3, 4, 2, 2, 6, 6, 10, 10, 2, 2,             // collinear: no pixel inside
    9, 5, 6, 3, 'A', 'b', -127,                 // ends on a lone lead byte 0x81
    9, 7, 8, 4, -1, -2, 'x', 'y',               // 0xFF 0xFE
    9, 9, 3, 4, -86, -95, -8, -95,              // user-defined pairs 0xAA 0xA1, 0xF8 0xA1
    9, 1, 1, 3, 'o', 0, 'k',                    // a zero ends the text, not the record
    5, 2, 3, 20, 11,                            // a line
};

TEST_F(OverlayImageTest, OpeningKeepsEveryStoredRecordAndLeavesTheListUnmodified)
{
    const std::string path = WriteImage("0.5\\0.25", "kept.dcm");
    DcmFileFormat file;
    ASSERT_TRUE(file.loadFile(path.c_str()).good());
    const std::vector<BYTE> blob = Bytes(kKeptAsRead);
    auto* element = new DcmOtherByteOtherWord(DcmTag(0x6061, 0x0030, EVR_OB));
    element->putUint8Array(blob.data(), static_cast<unsigned long>(blob.size()));
    file.getDataset()->insert(element, OFTrue);
    ASSERT_TRUE(testfiles::Save(file, path));
    const std::vector<uint8_t> stored = testfiles::ReadBytes(path);

    ASSERT_EQ(image.OpenFile(path.c_str()), 1);
    COverLayManager* m = image.GetOverLayManager();
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(m->GetCount(), 7);
    EXPECT_EQ(m->IsModified(), 0);
    EXPECT_EQ(m->GetAt(0)->GetInfoText(), CString("M:0.00 S:0.00 A:0.00"));
    EXPECT_EQ(m->GetAt(1)->GetInfoText(), CString("M:0.00 S:0.00 A:0.00"));
    EXPECT_EQ(static_cast<COverLayText*>(m->GetAt(5))->m_strText, CString("o"));
    EXPECT_EQ(image.WriteOverLayToFile(), 0);
    EXPECT_EQ(testfiles::ReadBytes(path), stored);

    // Another overlay edited: the blob written holds the records byte for byte.
    EXPECT_EQ(BuiltBlob(m), blob);
    COverLayLine* line = Add(m, new COverLayLine);
    line->SetFromRecord(1, 2, 3, 4);
    std::vector<BYTE> expected = blob;
    for (BYTE b : Bytes({5, 1, 2, 3, 4}))
        expected.push_back(b);
    EXPECT_EQ(BuiltBlob(m), expected);

    // An edited text is stored from its new characters.
    auto* text = static_cast<COverLayText*>(m->GetAt(3));
    text->m_strText = "xy\xE6\x89\xA7";
    expected.erase(expected.begin() + 2 * 23, expected.begin() + 2 * 31);
    const std::vector<BYTE> edited = Bytes({9, 7, 8, 4, 'x', 'y', -42, -76});
    expected.insert(expected.begin() + 2 * 23, edited.begin(), edited.end());
    EXPECT_EQ(BuiltBlob(m), expected);
}

}  // namespace
