#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>

#include "FileStream.h"
#include "MemoryStream.h"
#include "codec_test_util.h"

TEST(MemoryStream, ReadsWholeItemsAndClampsSeeks)
{
    unsigned char data[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    CMemoryStream s(data, sizeof(data));
    uint32_t items[10];
    EXPECT_EQ(s.Read(items, 4, 10), 2u);
    EXPECT_EQ(s.Tell(), 10);
    EXPECT_EQ(s.GetC(), -1);
    EXPECT_EQ(s.Tell(), 10);

    EXPECT_TRUE(s.Seek(-5, 0));
    EXPECT_EQ(s.Tell(), 0);
    EXPECT_FALSE(s.Seek(0, 3));
    EXPECT_TRUE(s.Seek(100, 0));
    EXPECT_TRUE(s.Eof());
    EXPECT_EQ(s.Error(), 1);
    EXPECT_EQ(s.Read(items, 1, 1), 0u);
}

TEST(MemoryStream, GrowsInPagesAndDetachesItsBlock)
{
    CMemoryStream s;
    EXPECT_EQ(s.Tell(), -1);
    EXPECT_EQ(s.Size(), -1);
    ASSERT_TRUE(s.Open());
    EXPECT_FALSE(s.Open());
    EXPECT_TRUE(s.PutC(0x42));
    EXPECT_EQ(s.Size(), 1);
    EXPECT_EQ(s.Tell(), 1);

    std::vector<unsigned char> big(5000, 7);
    EXPECT_EQ(s.Write(big.data(), 1, big.size()), big.size());
    EXPECT_EQ(s.Size(), 5001);
    unsigned char* block = s.GetBuffer(true);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block[0], 0x42);
    EXPECT_EQ(block[5000], 7);
    s.Close();
    CRasterImage::FreeMemory(block);
}

TEST(MemoryStream, SeekPastEndThenWriteFillsTheGapWithZeros)
{
    CMemoryStream s;
    ASSERT_TRUE(s.Open());
    s.Seek(8, 0);
    EXPECT_TRUE(s.PutC(1));
    ASSERT_EQ(s.Size(), 9);
    unsigned char* b = s.GetBuffer(false);
    for (int i = 0; i < 8; i++)
        EXPECT_EQ(b[i], 0) << i;
}

TEST(MemoryStream, RefusesWritesWhosePositionWouldOverflow)
{
    CMemoryStream s;
    ASSERT_TRUE(s.Open());
    EXPECT_TRUE(s.Seek(LONG_MAX, 0));
    EXPECT_EQ(s.Tell(), INT32_MAX);
    EXPECT_FALSE(s.PutC(1));
    unsigned char byte = 1;
    EXPECT_EQ(s.Write(&byte, 1, 1), 0u);
    EXPECT_EQ(s.Write(&byte, SIZE_MAX / 2, 4), 0u);
}

TEST(MemoryStream, CallersBlockIsNeverFreedOrResized)
{
    unsigned char* own = static_cast<unsigned char*>(malloc(4));
    memcpy(own, "abcd", 4);
    {
        CMemoryStream s(own, 4);
        s.Seek(0, 2);
        unsigned char more[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
        EXPECT_EQ(s.Write(more, 1, 10), 10u);
        EXPECT_EQ(s.Size(), 14);
        EXPECT_EQ(memcmp(s.GetBuffer(false), "abcd", 4), 0);
    }
    // Still ours, still intact: ASan would report a double free or a
    // use after free here otherwise.
    EXPECT_EQ(memcmp(own, "abcd", 4), 0);
    free(own);
}

TEST(MemoryStream, CopiesBorrowAndNeverFreeTwice)
{
    CMemoryStream* original = new CMemoryStream;
    ASSERT_TRUE(original->Open());
    original->Write("xyz", 1, 3);
    {
        CMemoryStream copy(*original);
        EXPECT_EQ(copy.Size(), 3);
        copy.Close();
        CMemoryStream assigned;
        assigned = *original;
    }
    EXPECT_EQ(original->Size(), 3);
    delete original;
}

TEST(FileStream, OwnsOnlyWhatItOpened)
{
    std::string dir = codectest::ScratchDir("filestream");
    std::string path = dir + "/f.bin";
    FILE* fp = fopen(path.c_str(), "w+b");
    ASSERT_NE(fp, nullptr);
    {
        CFileStream borrowed(fp);
        EXPECT_TRUE(borrowed.PutC('a'));
        EXPECT_TRUE(borrowed.Close());
        CFileStream copy(borrowed);
        copy.Close();
    }
    EXPECT_EQ(fputc('b', fp), 'b');
    fclose(fp);

    CFileStream none;
    EXPECT_EQ(none.Tell(), 0);
    EXPECT_EQ(none.Size(), -1);
    EXPECT_TRUE(none.Eof());
    EXPECT_EQ(none.GetC(), -1);

    CFileStream owned;
    ASSERT_TRUE(owned.Open(path.c_str(), "rb"));
    EXPECT_FALSE(owned.Open(path.c_str(), "rb"));
    EXPECT_EQ(owned.Size(), 2);
    EXPECT_EQ(owned.GetC(), 'a');
    EXPECT_EQ(owned.GetC(), 'b');
    {
        CFileStream copy(owned);
    }
    EXPECT_EQ(owned.GetC(), -1);
    EXPECT_TRUE(owned.Close());
}
