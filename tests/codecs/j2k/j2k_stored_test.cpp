// Stored codestreams pin both halves of the codec: the decoder must give the
// samples it gave when they were written, and the encoder must write the same
// bytes again. Round trips alone let a fault shared by both halves (a context
// table, a quantisation step, a transform coefficient) cancel out.
#include <gtest/gtest.h>

#include "j2k_stored_codestreams.h"
#include "j2k_stored_setups.h"

TEST(J2kStored, DecodesGiveTheStoredSamples)
{
    const std::vector<J2kStoredSpec> specs = J2kStoredSpecs();
    const std::vector<J2kStoredCodestream>& streams = J2kStoredCodestreams();
    ASSERT_EQ(specs.size(), streams.size());
    for (size_t i = 0; i < specs.size(); i++) {
        std::vector<unsigned char> bytes = streams[i].bytes;
        J2kImage* image = nullptr;
        J2kCodingParameters* cp = nullptr;
        EXPECT_EQ(j2k_decode(bytes.data(), int(bytes.size()), &image, &cp), int(bytes.size()))
            << specs[i].name;
        if (image->components && image->components[0].data) {
            EXPECT_EQ(J2kSampleDigest(image), streams[i].digest) << specs[i].name;
            if (specs[i].lossless)
                EXPECT_EQ(J2kTestPsnr(specs[i].spec, image), 99.0) << specs[i].name;
            else
                EXPECT_GT(J2kTestPsnr(specs[i].spec, image), 45.0) << specs[i].name;
        }
        j2k_destroy(&image, &cp);
    }
}

TEST(J2kStored, EncoderWritesTheStoredBytes)
{
    const std::vector<J2kStoredSpec> specs = J2kStoredSpecs();
    const std::vector<J2kStoredCodestream>& streams = J2kStoredCodestreams();
    for (size_t i = 0; i < specs.size() && i < streams.size(); i++)
        EXPECT_EQ(J2kTestEncode(specs[i].spec).bytes, streams[i].bytes) << specs[i].name;
}
