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

}  // namespace
