// Stored codestreams pin both halves of the codec: the decoder must give the
// samples it gave when they were written, and the encoder must write the same
// bytes again. Round trips alone let a fault shared by both halves (a context
// table, a quantisation step, a transform coefficient) cancel out.
#include <gtest/gtest.h>

#include <cmath>

#include "j2k_stored_codestreams.h"
#include "j2k_stored_setups.h"

namespace {

double Psnr(const J2kTestSpec& s, const J2kImage* image)
{
    double sum = 0;
    long count = 0;
    for (int c = 0; c < image->componentCount; c++) {
        const J2kComponent& k = image->components[c];
        int w = J2kTestCeilDiv(image->x1, k.dx) - J2kTestCeilDiv(image->x0, k.dx);
        int h = J2kTestCeilDiv(image->y1, k.dy) - J2kTestCeilDiv(image->y0, k.dy);
        for (int i = 0; i < w * h; i++, count++) {
            double d = k.data[i] - J2kTestSample(c, i % w, i / w, s.precision, s.isSigned);
            sum += d * d;
        }
    }
    double peak = (1 << s.precision) - 1;
    return sum == 0 ? 99.0 : 10 * std::log10(peak * peak * double(count) / sum);
}

} // namespace

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
                EXPECT_EQ(Psnr(specs[i].spec, image), 99.0) << specs[i].name;
            else
                EXPECT_GT(Psnr(specs[i].spec, image), 45.0) << specs[i].name;
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
