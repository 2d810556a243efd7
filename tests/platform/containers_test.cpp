#include <gtest/gtest.h>

#include "base/CArray.h"
#include "base/CByteArray.h"
#include "base/CObList.h"
#include "base/CPoint.h"
#include "base/CPtrArray.h"
#include "base/CPtrList.h"
#include "base/CStringArray.h"

TEST(CArray, GrowsAddsInsertsAndRemoves)
{
    CArray<CPoint, CPoint> points;
    EXPECT_EQ(points.GetUpperBound(), -1);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(points.Add(CPoint(i, -i)), i);
    EXPECT_EQ(points.GetSize(), 100);
    EXPECT_EQ(points[99], CPoint(99, -99));

    points.InsertAt(1, CPoint(7, 7), 2);
    EXPECT_EQ(points.GetSize(), 102);
    EXPECT_EQ(points[2], CPoint(7, 7));
    EXPECT_EQ(points[3], CPoint(1, -1));
    points.RemoveAt(1, 2);
    EXPECT_EQ(points[1], CPoint(1, -1));

    points.SetAtGrow(150, CPoint(5, 5));
    EXPECT_EQ(points.GetSize(), 151);
    EXPECT_EQ(points[120], CPoint(0, 0));
    points.InsertAt(200, CPoint(1, 2));
    EXPECT_EQ(points.GetSize(), 201);
    EXPECT_EQ(points[200], CPoint(1, 2));

    points.RemoveAll();
    EXPECT_EQ(points.GetSize(), 0);
    EXPECT_EQ(points.GetData(), nullptr);
}

// Removing the last element must shrink the array without touching the rest.
TEST(CArray, RemovingTheLastElements)
{
    CArray<CPoint, CPoint> points;
    for (int i = 0; i < 5; ++i)
        points.Add(CPoint(i + 10, 2 * i - 3));
    points.RemoveAt(4);
    ASSERT_EQ(points.GetSize(), 4);
    EXPECT_EQ(points[3], CPoint(13, 3));
    points.RemoveAt(2, 2);
    ASSERT_EQ(points.GetSize(), 2);
    EXPECT_EQ(points[0], CPoint(10, -3));
    EXPECT_EQ(points[1], CPoint(11, -1));

    CStringArray texts;
    texts.Add("first");
    texts.Add("second");
    texts.Add("third");
    texts.RemoveAt(2);
    ASSERT_EQ(texts.GetSize(), 2);
    EXPECT_EQ(texts[1], "second");
    texts.Add("fourth");
    EXPECT_EQ(texts[2], "fourth");

    int values[3] = {1, 2, 3};
    CPtrArray pointers;
    for (int& v : values)
        pointers.Add(&v);
    pointers.RemoveAt(2);
    ASSERT_EQ(pointers.GetSize(), 2);
    EXPECT_EQ(pointers[1], &values[1]);

    CByteArray bytes;
    for (BYTE b : {7, 8, 9})
        bytes.Add(b);
    bytes.RemoveAt(2);
    ASSERT_EQ(bytes.GetSize(), 2);
    EXPECT_EQ(bytes[0], 7);
    EXPECT_EQ(bytes[1], 8);
}

TEST(CArray, AddingAnOwnElementSurvivesReallocation)
{
    CStringArray texts;
    texts.Add("first element, long enough not to be stored inline");
    for (int i = 0; i < 50; ++i)
        texts.Add(texts[0]);
    EXPECT_EQ(texts.GetSize(), 51);
    EXPECT_EQ(texts[50], texts[0]);
}

TEST(CArray, OutOfRangeAccessIsRefused)
{
    CByteArray bytes;
    bytes.SetSize(4);
    const int faults = PlatformFaultCount();
    EXPECT_EQ(bytes.GetAt(4), 0);
    bytes.SetAt(-1, 9);
    bytes[4] = 9;    // lands in scratch storage, not past the block
    bytes.RemoveAt(3, 2);
    bytes.RemoveAt(-1);
    bytes.SetSize(-3);
    EXPECT_EQ(PlatformFaultCount(), faults + 6);
    EXPECT_EQ(bytes.GetSize(), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(bytes[i], 0);
}

TEST(CArray, SetSizeZeroFillsAndExposesData)
{
    CByteArray matrix;
    matrix.SetSize(12, 64);
    ASSERT_NE(matrix.GetData(), nullptr);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(matrix.GetData()[i], 0);
    matrix.GetData()[5] = 1;
    EXPECT_EQ(matrix[5], 1);
    matrix.SetSize(3);
    matrix.SetSize(6);
    EXPECT_EQ(matrix[5], 0);

    CPtrArray frames;
    int a = 1, b = 2;
    frames.Add(&a);
    frames.Add(&b);
    EXPECT_EQ(frames[1], &b);
    CArray<int, int> copy;
    copy.Add(3);
    copy.Append(copy);
    EXPECT_EQ(copy.GetSize(), 2);
    EXPECT_EQ(copy[1], 3);
}

namespace {
class CItem : public CObject {
public:
    explicit CItem(int v) : value(v) {}
    int value;
};
} // namespace

TEST(CObList, IteratesAndRemovesDuringIteration)
{
    CObList list(10);
    CItem items[6] = {CItem(0), CItem(1), CItem(2), CItem(3), CItem(4), CItem(5)};
    for (CItem& item : items)
        list.AddTail(&item);
    EXPECT_EQ(list.GetCount(), 6);

    // Remove the odd ones while walking forward.
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        POSITION current = pos;
        CItem* item = static_cast<CItem*>(list.GetNext(pos));
        if (item->value % 2)
            list.RemoveAt(current);
    }
    ASSERT_EQ(list.GetCount(), 3);
    int expected = 4;
    for (POSITION pos = list.GetTailPosition(); pos; expected -= 2)
        EXPECT_EQ(static_cast<CItem*>(list.GetPrev(pos))->value, expected);

    EXPECT_EQ(list.Find(&items[1]), nullptr);
    POSITION two = list.Find(&items[2]);
    ASSERT_NE(two, nullptr);
    list.InsertBefore(two, &items[1]);
    list.InsertAfter(two, &items[3]);
    EXPECT_EQ(list.GetAt(list.FindIndex(1)), &items[1]);
    EXPECT_EQ(list.GetAt(list.FindIndex(3)), &items[3]);
    EXPECT_EQ(list.FindIndex(5), nullptr);
    EXPECT_EQ(list.FindIndex(-1), nullptr);

    // Remove everything while walking backwards.
    for (POSITION pos = list.GetTailPosition(); pos;) {
        POSITION current = pos;
        list.GetPrev(pos);
        list.RemoveAt(current);
    }
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(list.GetHeadPosition(), nullptr);
}

TEST(CPtrList, HeadTailOperationsAndMisuse)
{
    CPtrList list;
    int a = 0, b = 0, c = 0;
    list.AddTail(&b);
    list.AddHead(&a);
    list.AddTail(&c);
    EXPECT_EQ(list.GetHead(), &a);
    EXPECT_EQ(list.GetTail(), &c);
    EXPECT_EQ(list.RemoveHead(), &a);
    EXPECT_EQ(list.RemoveTail(), &c);
    EXPECT_EQ(list.GetCount(), 1);
    list.SetAt(list.GetHeadPosition(), &c);
    EXPECT_EQ(list.GetHead(), &c);
    list.AddTail(&list);
    EXPECT_EQ(list.GetCount(), 2);

    list.RemoveAll();
    const int faults = PlatformFaultCount();
    EXPECT_EQ(list.RemoveHead(), nullptr);
    EXPECT_EQ(list.GetHead(), nullptr);
    POSITION none = nullptr;
    EXPECT_EQ(list.GetNext(none), nullptr);
    list.RemoveAt(nullptr);
    EXPECT_EQ(PlatformFaultCount(), faults + 4);
}
