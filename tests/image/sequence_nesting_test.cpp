// Files that nest sequences inside one another: the deepest nesting the
// reader accepts opens with its pixels, in every encoding, and anything
// deeper is refused before the toolkit's recursive reader sees it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "DcmImage.h"
#include "DicomInfo.h"
#include "DicomTestFiles.h"

using namespace testfiles;

namespace {

using Bytes = std::vector<uint8_t>;

// Written out rather than taken from the reader, so that moving the limit
// either way fails here.
const int kDeepestAccepted = 500;

void Put16(Bytes& b, unsigned v)
{
    b.push_back(v & 0xFF);
    b.push_back((v >> 8) & 0xFF);
}

void Put32(Bytes& b, unsigned v)
{
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

void PutTag(Bytes& b, unsigned group, unsigned element)
{
    Put16(b, group);
    Put16(b, element);
}

// Content Sequences nested `depth` deep, each holding one item; explicit VR
// with undefined lengths closed by delimiters.
Bytes ExplicitUndefinedNesting(int depth, unsigned outerElement = 0xA730)
{
    Bytes b;
    for (int i = 0; i < depth; ++i) {
        PutTag(b, 0x0040, i == 0 ? outerElement : 0xA730);
        b.insert(b.end(), {'S', 'Q', 0, 0});
        Put32(b, 0xFFFFFFFF);
        PutTag(b, 0xFFFE, 0xE000);
        Put32(b, 0xFFFFFFFF);
    }
    for (int i = 0; i < depth; ++i) {
        PutTag(b, 0xFFFE, 0xE00D);
        Put32(b, 0);
        PutTag(b, 0xFFFE, 0xE0DD);
        Put32(b, 0);
    }
    return b;
}

// The same in implicit VR with defined lengths: only the dictionary and the
// lengths tell that the values are sequences.
Bytes ImplicitDefinedNesting(int depth, unsigned outerElement = 0xA730)
{
    Bytes inner;
    PutTag(inner, 0x0040, 0xA040);  // Value Type, a leaf at the bottom
    Put32(inner, 4);
    inner.insert(inner.end(), {'T', 'E', 'X', 'T'});
    for (int i = 0; i < depth; ++i) {
        Bytes outer;
        PutTag(outer, 0x0040, i == depth - 1 ? outerElement : 0xA730);
        Put32(outer, static_cast<unsigned>(inner.size() + 8));
        PutTag(outer, 0xFFFE, 0xE000);
        Put32(outer, static_cast<unsigned>(inner.size()));
        outer.insert(outer.end(), inner.begin(), inner.end());
        inner.swap(outer);
    }
    return inner;
}

class SequenceNestingTest : public ::testing::Test {
protected:
    void SetUp() override { dir = TempDir(::testing::UnitTest::GetInstance()->current_test_info()->name()); }

    // An 8-bit 6 x 4 ramp (offset 9) with the nesting put before its pixels.
    std::string Write(const Bytes& nesting, E_TransferSyntax xfer, const std::string& name)
    {
        ImageLayout layout;
        layout.rows = 4;
        layout.columns = 6;
        layout.bitsAllocated = 8;
        layout.pixels = Ramp(layout, 3, 9);
        DcmFileFormat file = MakeImage(layout);
        const std::string path = dir + "/" + name;
        EXPECT_TRUE(Save(file, path, xfer));
        Bytes bytes = ReadBytes(path);
        const uint8_t pixelTag[] = {0xE0, 0x7F, 0x10, 0x00};
        auto at = std::search(bytes.begin(), bytes.end(), pixelTag, pixelTag + 4);
        EXPECT_NE(at, bytes.end());
        bytes.insert(at, nesting.begin(), nesting.end());
        WriteBytes(path, bytes);
        return path;
    }

    std::string dir;
};

void ExpectRampOpens(const std::string& path)
{
    CDcmImage image;
    ASSERT_EQ(image.OpenFile(path.c_str()), 1) << path;
    EXPECT_EQ(image.GetPixelValue(0, 0), 9);
    EXPECT_EQ(image.GetPixelValue(5, 0), 9 + 5 * 3);
    EXPECT_EQ(image.GetPixelValue(1, 3), 9 + 19 * 3);
}

void ExpectRefused(const std::string& path)
{
    CDcmImage image;
    EXPECT_EQ(image.OpenFile(path.c_str()), 0) << path;
    EXPECT_EQ(image.IsFileOpened(), 0);
    EXPECT_EQ(image.GetFramesCount(), 0);
}

}  // namespace

// Recomputing group lengths on load doubled the time with each level: the
// deepest accepted nesting never finished opening.
TEST_F(SequenceNestingTest, DeepestAcceptedNestingOpensInEveryEncoding)
{
    const int deepest = kDeepestAccepted;
    ExpectRampOpens(Write(ExplicitUndefinedNesting(deepest), EXS_LittleEndianExplicit, "explicit.dcm"));
    ExpectRampOpens(Write(ImplicitDefinedNesting(deepest), EXS_LittleEndianImplicit, "implicit.dcm"));
}

// Thousands of levels overflowed the stack inside the toolkit's reader.
TEST_F(SequenceNestingTest, DeeperNestingIsRefusedBeforeReading)
{
    const int deeper = 501;
    ExpectRefused(Write(ExplicitUndefinedNesting(deeper), EXS_LittleEndianExplicit, "explicit.dcm"));
    ExpectRefused(Write(ImplicitDefinedNesting(deeper), EXS_LittleEndianImplicit, "implicit.dcm"));
    ExpectRefused(Write(ExplicitUndefinedNesting(6000), EXS_LittleEndianExplicit, "thousands.dcm"));
}

// Sequences one after another, each closed before the next opens, are not
// nesting; nor is the depth of a closed sequence carried on.
TEST_F(SequenceNestingTest, SiblingSequencesDoNotAddUp)
{
    // Three sequences of the dictionary, in tag order.
    const unsigned outer[] = {0xA043, 0xA168, 0xA730};
    Bytes siblings;
    for (unsigned element : outer) {
        const Bytes one = ExplicitUndefinedNesting(kDeepestAccepted / 2 + 1, element);
        siblings.insert(siblings.end(), one.begin(), one.end());
    }
    ExpectRampOpens(Write(siblings, EXS_LittleEndianExplicit, "siblings.dcm"));
    Bytes defined;
    for (unsigned element : outer) {
        const Bytes one = ImplicitDefinedNesting(kDeepestAccepted / 2 + 1, element);
        defined.insert(defined.end(), one.begin(), one.end());
    }
    ExpectRampOpens(Write(defined, EXS_LittleEndianImplicit, "defined.dcm"));
}

namespace {

// The values of every group length of the item and the items below it,
// in walk order.
std::vector<Uint32> GroupLengths(DcmItem* item)
{
    std::vector<Uint32> lengths;
    DcmStack stack;
    while (item->nextObject(stack, OFTrue).good()) {
        DcmObject* object = stack.top();
        Uint32 value = 0;
        if (object->isLeaf() && object->getETag() == 0 && static_cast<DcmElement*>(object)->getUint32(value).good())
            lengths.push_back(value);
    }
    return lengths;
}

}  // namespace

// Loading no longer recomputes group lengths; writing an element into the
// file must still leave every group length, nested ones included, right.
TEST_F(SequenceNestingTest, WrittenElementLeavesEveryGroupLengthRight)
{
    ImageLayout layout;
    layout.rows = 4;
    layout.columns = 6;
    layout.bitsAllocated = 8;
    layout.pixels = Ramp(layout, 3, 9);
    DcmFileFormat file = MakeImage(layout);
    DcmItem* item = file.getDataset();
    item->putAndInsertString(DCM_WindowCenter, "40");
    item->putAndInsertString(DCM_WindowWidth, "400");
    for (int level = 0; level < 6; ++level) {
        DcmItem* inner = nullptr;
        ASSERT_TRUE(item->findOrCreateSequenceItem(DCM_ContentSequence, inner, -2).good());
        inner->putAndInsertString(DCM_ValueType, level % 2 ? "TEXT" : "CONTAINER");
        item = inner;
    }
    const std::string path = dir + "/lengths.dcm";
    ASSERT_TRUE(file.saveFile(path.c_str(), EXS_LittleEndianExplicit, EET_ExplicitLength, EGL_withGL).good());

    CDicomInfo info;
    ASSERT_EQ(info.ReadDicomFile(path.c_str(), nullptr), 1);
    info.m_nWindowCenter = -1600;  // longer texts: the image group grows
    info.m_nWindowWidth = 12000;
    const BYTE blob[6] = {1, 2, 3, 4, 5, 6};
    ASSERT_EQ(info.WriteElement(0x6061, 0x0030, EVR_OB, 6, blob), 1);

    DcmFileFormat written;
    ASSERT_TRUE(written.loadFile(path.c_str(), EXS_Unknown, EGL_noChange).good());
    DcmDataset* dataset = written.getDataset();
    const std::vector<Uint32> stored = GroupLengths(dataset);
    EXPECT_GE(stored.size(), 6u + 3u);
    ASSERT_TRUE(dataset->computeGroupLengthAndPadding(EGL_recalcGL, EPD_noChange, dataset->getOriginalXfer(),
                                                      EET_UndefinedLength).good());
    EXPECT_EQ(stored, GroupLengths(dataset));
    OFString centre;
    dataset->findAndGetOFString(DCM_WindowCenter, centre);
    EXPECT_EQ(centre, "-1600");

    // The deepest accepted nesting is written as quickly as it is read.
    CDicomInfo deep;
    const std::string deepPath =
        Write(ExplicitUndefinedNesting(kDeepestAccepted), EXS_LittleEndianExplicit, "deep.dcm");
    ASSERT_EQ(deep.ReadDicomFile(deepPath.c_str(), nullptr), 1);
    EXPECT_EQ(deep.WriteElement(0x6061, 0x0030, EVR_OB, 6, blob), 1);
    ExpectRampOpens(deepPath);
}
