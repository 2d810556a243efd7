#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "OverLayEllipse.h"
#include "OverLayLine.h"
#include "OverLayLineArrow.h"
#include "OverLayManager.h"
#include "OverLayPoint.h"
#include "OverLayPoly.h"
#include "OverLayProTractor.h"
#include "OverLayRect.h"
#include "OverLayText.h"

namespace {

std::vector<BYTE> Bytes(const std::vector<int>& words)
{
    std::vector<BYTE> out;
    for (int w : words) {
        out.push_back(static_cast<BYTE>(w & 0xFF));
        out.push_back(static_cast<BYTE>((w >> 8) & 0xFF));
    }
    return out;
}

void Parse(COverLayManager& manager, const std::vector<BYTE>& bytes, int byteCount = -1)
{
    // A buffer of exactly the element's size, so that a read past it is caught.
    std::vector<BYTE> exact(bytes);
    manager.ParseRecords(reinterpret_cast<const short*>(exact.data()),
                         byteCount < 0 ? static_cast<int>(exact.size()) : byteCount);
}

std::vector<BYTE> Built(COverLayManager& manager)
{
    manager.BuildRecords();
    const BYTE* blob = manager.GetRecordsBlob();
    return blob ? std::vector<BYTE>(blob, blob + manager.GetRecordsBlobSize()) : std::vector<BYTE>();
}

// One record of every kind, with negative and large coordinates and a
// text that needs two bytes per character in the stored code page.
const std::vector<int> kEveryKind = {
    1, 3, 4, 40, 30,                      // rectangle
    2, -5, 7, 25, 19,                     // ellipse
    3, 4, 1, 2, 30, 2, 30, 20, 1, 21,     // polygon of four vertices
    4, 11, 12,                            // point
    5, 10, 20, 30, 40,                    // line
    6, 300, -2, 8, 9,                     // arrow
    7, 10, 0, 0, 0, 0, 10,                // angle
    9, 15, 16, 4, 'A', -42, -76, 'z',     // text "A" U+6267 "z" stored as A, 0xD6, 0xB4, z
};

TEST(RecordBlob, EveryKindParsesInOrderAndBuildsTheSameBytes)
{
    COverLayManager manager;
    Parse(manager, Bytes(kEveryKind));
    ASSERT_EQ(manager.GetCount(), 8);
    const char* kinds[] = {"COverLayRect", "COverLayEllipse", "COverLayPoly", "COverLayPoint",
                           "COverLayLine", "COverLayLineArrow", "COverLayProTractor", "COverLayText"};
    for (int i = 0; i < 8; ++i) {
        EXPECT_STREQ(manager.GetAt(i)->GetRuntimeClass()->m_lpszClassName, kinds[i]);
        EXPECT_EQ(manager.GetAt(i)->m_nNumber, i + 1);
        EXPECT_EQ(manager.GetAt(i)->m_bSelected, 0);
    }
    EXPECT_EQ(manager.GetCurrentOverlay(), nullptr);
    EXPECT_EQ(manager.IsModified(), 0);

    const auto* line = static_cast<COverLayLine*>(manager.GetAt(4));
    EXPECT_EQ(line->m_Segment.m_nX1, 10);
    EXPECT_EQ(line->m_Segment.m_nY1, 20);
    EXPECT_EQ(line->m_Segment.m_nX2, 30);
    EXPECT_EQ(line->m_Segment.m_nY2, 40);
    const auto* poly = static_cast<COverLayPoly*>(manager.GetAt(2));
    ASSERT_EQ(poly->m_ImagePoints.GetSize(), 4);
    EXPECT_EQ(poly->m_ImagePoints[3], CPoint(1, 21));
    const auto* text = static_cast<COverLayText*>(manager.GetAt(7));
    EXPECT_EQ(text->m_strText, CString("A\xE6\x89\xA7z"));
    EXPECT_EQ(text->m_nImageX, 15);
    // The angle is measured as soon as it is read.
    EXPECT_EQ(manager.GetAt(6)->GetInfoText(), CString("Angle:90.00"));

    EXPECT_EQ(manager.GetRecordsSize(), static_cast<int>(kEveryKind.size()) * 2);
    EXPECT_EQ(Built(manager), Bytes(kEveryKind));
    EXPECT_EQ(manager.BuildRecords(), 1);
}

TEST(RecordBlob, EachKindWritesItsOwnRecordToAFile)
{
    COverLayManager manager;
    Parse(manager, Bytes(kEveryKind));
    const std::string path = std::string(BINARY_DIR) + "/overlay_records.bin";
    HANDLE file = CreateFile(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    for (int i = 0; i < manager.GetCount(); ++i)
        EXPECT_EQ(manager.GetAt(i)->WriteRecord(file), 1);
    CloseHandle(file);
    std::ifstream in(path, std::ios::binary);
    const std::vector<BYTE> written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(written, Bytes(kEveryKind));
}

TEST(RecordBlob, UnknownTypesConsumeOneWordAndEmptyTextsAreNotWritten)
{
    COverLayManager manager;
    Parse(manager, Bytes({8, 0, -3, 12, 5, 10, 20, 30, 40}));
    ASSERT_EQ(manager.GetCount(), 1);
    EXPECT_EQ(Built(manager), Bytes({5, 10, 20, 30, 40}));

    COverLayManager texts;
    Parse(texts, Bytes({9, 1, 2, 0}));
    ASSERT_EQ(texts.GetCount(), 1);
    EXPECT_EQ(texts.BuildRecords(), 0);
    EXPECT_EQ(texts.GetRecordsBlobSize(), 0);
}

TEST(RecordBlob, TruncatedAndHostileRecordsKeepWhatFits)
{
    struct Case {
        std::vector<int> words;
        int count;
    } cases[] = {
        {{4, 1, 2, 5, 10, 20, 30}, 1},         // line runs past the end
        {{4, 1, 2, 3, 3, 1, 2, 3, 4, 5}, 1},   // polygon count runs past the end
        {{4, 1, 2, 3, -2, 1, 2}, 1},           // negative polygon count
        {{4, 1, 2, 9, 0, 0, -1, 65}, 1},       // negative text count
        {{4, 1, 2, 9, 0, 0, 5, 65, 66}, 1},    // text count runs past the end
        {{7, 1, 2, 3}, 0},
    };
    for (const Case& c : cases) {
        COverLayManager manager;
        Parse(manager, Bytes(c.words));
        EXPECT_EQ(manager.GetCount(), c.count) << c.words.size();
        EXPECT_EQ(manager.m_bLoading, 0);
    }
    // An odd byte count ignores the last byte; a single byte builds nothing.
    COverLayManager odd;
    std::vector<BYTE> bytes = Bytes({4, 1, 2});
    bytes.push_back(7);
    Parse(odd, bytes);
    EXPECT_EQ(odd.GetCount(), 1);
    COverLayManager one;
    Parse(one, {4});
    EXPECT_EQ(one.GetCount(), 0);
}

TEST(RecordBlob, AMillionRecordsAreBounded)
{
    std::vector<int> words;
    for (int i = 0; i < 1000000; ++i) {
        words.push_back(4);
        words.push_back(i & 0x7FFF);
        words.push_back(1);
    }
    COverLayManager manager;
    Parse(manager, Bytes(words));
    EXPECT_EQ(manager.GetCount(), 100000);
}

TEST(RecordBlob, APolygonStopsAtTheVerticesItsRecordCanCount)
{
    // A trace grows by one vertex per move up to the count word's limit.
    COverLayPoly traced;
    CPoint point(0, 0);
    traced.OnLButtonDown(0, point, nullptr);
    for (int i = 1; i <= 40000; ++i) {
        point = CPoint(i % 500, i / 500);
        traced.OnMouseMove(0, point, 2, nullptr);
    }
    ASSERT_EQ(traced.m_ScreenPoints.GetSize(), 32767);
    EXPECT_EQ(traced.m_ScreenPoints[32766], CPoint(32766 % 500, 32766 / 500));

    // Vertices set beyond it are written up to it, and the records after the
    // polygon read back.
    COverLayManager manager;
    auto* poly = new COverLayPoly;
    poly->SetOwner(&manager);
    manager.AddOverlay(poly);
    for (int i = 0; i < 33000; ++i)
        poly->m_ImagePoints.Add(CPoint(i % 300, 7 + i / 300));
    auto* line = new COverLayLine;
    line->SetOwner(&manager);
    manager.AddOverlay(line);
    line->SetFromRecord(10, 20, 30, 40);
    const std::vector<BYTE> blob = Built(manager);
    ASSERT_EQ(blob.size(), static_cast<size_t>(4 * 32767 + 4 + 10));

    COverLayManager read;
    Parse(read, blob);
    ASSERT_EQ(read.GetCount(), 2);
    const auto* readPoly = static_cast<COverLayPoly*>(read.GetAt(0));
    ASSERT_EQ(readPoly->m_ImagePoints.GetSize(), 32767);
    EXPECT_EQ(readPoly->m_ImagePoints[32766], CPoint(32766 % 300, 7 + 32766 / 300));
    const auto* readLine = static_cast<COverLayLine*>(read.GetAt(1));
    EXPECT_EQ(readLine->m_Segment.m_nX2, 30);
    EXPECT_EQ(readLine->m_Segment.m_nY2, 40);
}

TEST(RecordBlob, TextBytesWithoutACharacterAreWrittenBackAsRead)
{
    const std::vector<int> words = {
        9, 1, 2, 3, 'A', 'b', -127,          // a lone lead byte 0x81 at the end
        9, 3, 4, 4, -1, -2, 'x', 'y',        // 0xFF 0xFE
        9, 5, 6, 4, -86, -95, -2, -95,       // user-defined pairs 0xAA 0xA1, 0xFE 0xA1
        9, 7, 8, 2, -42, -76,                // a character the code page has
    };
    COverLayManager manager;
    Parse(manager, Bytes(words));
    ASSERT_EQ(manager.GetCount(), 4);
    EXPECT_EQ(static_cast<COverLayText*>(manager.GetAt(3))->m_strText, CString("\xE6\x89\xA7"));
    EXPECT_EQ(Built(manager), Bytes(words));
    // An edited text is stored from its characters.
    static_cast<COverLayText*>(manager.GetAt(0))->m_strText = "Ab";
    std::vector<int> edited = words;
    edited.erase(edited.begin() + 3, edited.begin() + 7);
    edited.insert(edited.begin() + 3, {2, 'A', 'b'});
    EXPECT_EQ(Built(manager), Bytes(edited));
}

TEST(RecordBlob, IndexedAccessFollowsAdditionsAndDeletions)
{
    std::vector<int> words;
    for (int i = 0; i < 12; ++i)
        words.insert(words.end(), {5, i, 100 + i, 3, 4});
    COverLayManager manager;
    Parse(manager, Bytes(words));
    auto x1 = [&](int index) { return static_cast<COverLayLine*>(manager.GetAt(index))->m_Segment.m_nX1; };
    EXPECT_EQ(x1(7), 7);
    EXPECT_EQ(x1(8), 8);
    EXPECT_EQ(x1(2), 2);
    manager.DeleteOverlay(manager.GetAt(3));
    EXPECT_EQ(x1(2), 2);
    EXPECT_EQ(x1(3), 4);
    EXPECT_EQ(x1(10), 11);
    manager.DeleteOverlay(manager.GetAt(10));
    EXPECT_EQ(manager.GetAt(10), nullptr);
    EXPECT_EQ(x1(9), 10);
    auto* line = new COverLayLine;
    line->SetOwner(&manager);
    manager.AddOverlay(line);
    line->SetFromRecord(77, 0, 0, 0);
    EXPECT_EQ(x1(10), 77);
    EXPECT_EQ(x1(0), 0);
    manager.EraseAll();
    EXPECT_EQ(manager.GetCount(), 0);
    EXPECT_EQ(manager.GetAt(0), nullptr);
}

}  // namespace
