#include "ConvolutionFilter.h"

#include <algorithm>
#include <cstdlib>
#include <cstdint>
#include <new>
#include <numeric>


PLATFORM_IMPLEMENT_RUNTIMECLASS(CConvolutionFilter, CImageAreaProcess, 0, nullptr)

namespace {

const DWORD kCustomKernelCode = 0x1FF00;

struct BuiltinKernel {
    DWORD code;
    int size;
    int divisor;
    int weights[25];
};

const BuiltinKernel kKernels[] = {
    {0x10000, 3, 9, {1, 1, 1, 1, 1, 1, 1, 1, 1}},
    {0x10001, 5, 25, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
    {0x10100, 3, 16, {1, 2, 1, 2, 4, 2, 1, 2, 1}},
    {0x10101, 5, 60, {1, 1, 1, 1, 1, 1, 4, 4, 4, 1, 1, 4, 12, 4, 1, 1, 4, 4, 4, 1, 1, 1, 1, 1, 1}},
    {0x10200, 3, 7, {-1, -2, -1, -2, 19, -2, -1, -2, -1}},
    {0x10201, 3, 1, {0, -1, 0, -1, 5, -1, 0, -1, 0}},
    {0x10202, 3, 1, {-1, -1, -1, -1, 9, -1, -1, -1, -1}},
    {0x10203, 5, -7, {0, -1, -1, -1, 0, -1, 2, -4, 2, -1, -1, -4, 13, -4, -1, -1, 2, -4, 2, -1, 0, -1, -1, -1, 0}},
    {0x10300, 3, 0, {0, -1, 0, -1, 4, -1, 0, -1, 0}},
    {0x10301, 3, 0, {-1, -1, -1, -1, 8, -1, -1, -1, -1}},
    {0x10302, 3, 0, {1, -2, 1, -2, 4, -2, 1, -2, 1}},
    {0x10400, 3, 0, {-1, 0, 1, -2, 0, 2, -1, 0, 1}},
    {0x10401, 3, 0, {-1, -2, -1, 0, 0, 0, 1, 2, 1}},
    {0x10402, 3, 0, {1, 0, -1, 2, 0, -2, 1, 0, -1}},
    {0x10403, 3, 0, {1, 2, 1, 0, 0, 0, -1, -2, -1}},
    {0x10404, 3, 0, {0, 1, 2, -1, 0, 1, -2, -1, 0}},
    {0x10405, 3, 0, {0, -1, -2, 1, 0, -1, 2, 1, 0}},
    {0x10406, 3, 0, {2, 1, 0, 1, 0, -1, 0, -1, -2}},
    {0x10407, 3, 0, {-2, -1, 0, -1, 0, 1, 0, 1, 2}},
    {0x10500, 3, 0, {0, 0, 0, -1, 1, 0, 0, 0, 0}},
    {0x10501, 3, 0, {0, -1, 0, 0, 1, 0, 0, 0, 0}},
    {0x10502, 3, 0, {0, 0, 0, 0, 1, -1, 0, 0, 0}},
    {0x10503, 3, 0, {0, 0, 0, 0, 1, 0, 0, -1, 0}},
    {0x10504, 3, 0, {0, 0, 0, 0, 1, 0, -1, 0, 0}},
    {0x10505, 3, 0, {0, 0, -1, 0, 1, 0, 0, 0, 0}},
    {0x10506, 3, 0, {0, 0, 0, 0, 1, 0, 0, 0, -1}},
    {0x10507, 3, 0, {-1, 0, 0, 0, 1, 0, 0, 0, 0}},
    {0x10600, 3, 0, {-1, 1, 1, -1, -2, 1, -1, 1, 1}},
    {0x10601, 3, 0, {-1, -1, -1, 1, -2, 1, 1, 1, 1}},
    {0x10602, 3, 0, {1, 1, -1, 1, -2, -1, 1, 1, -1}},
    {0x10603, 3, 0, {1, 1, 1, 1, -2, 1, -1, -1, -1}},
    {0x10604, 3, 0, {1, 1, 1, -1, -2, 1, -1, -1, 1}},
    {0x10605, 3, 0, {1, -1, -1, 1, -2, -1, 1, 1, 1}},
    {0x10606, 3, 0, {1, 1, 1, 1, -2, -1, 1, -1, -1}},
    {0x10607, 3, 0, {-1, -1, 1, -1, -2, 1, 1, 1, 1}},
    {0x10700, 3, 0, {-1, -1, -1, 2, 2, 2, -1, -1, -1}},
    {0x10701, 3, 0, {-1, 2, -1, -1, 2, -1, -1, 2, -1}},
    {0x10702, 3, 0, {2, -1, -1, -1, 2, -1, -1, -1, 2}},
    {0x10703, 3, 0, {-1, -1, 2, -1, 2, -1, 2, -1, -1}},
};

}  // namespace

CConvolutionFilter::CConvolutionFilter() : m_nDivisor(0), m_pKernel(nullptr)
{
    m_dwProcessCode = kCustomKernelCode;
}

CConvolutionFilter::~CConvolutionFilter()
{
    delete[] m_pKernel;
}

void CConvolutionFilter::ReplaceKernel(int width, int height, int* kernel, int divisor)
{
    delete[] m_pKernel;
    m_pKernel = kernel;
    m_nWidth = width;
    m_nHeight = height;
    m_nDivisor = divisor;
}

void CConvolutionFilter::SetProcessCode(DWORD code)
{
    CImageProcess::SetProcessCode(code);
    for (const BuiltinKernel& builtin : kKernels) {
        if (builtin.code != code)
            continue;
        const int entries = builtin.size * builtin.size;
        int* kernel = new (std::nothrow) int[entries];
        if (kernel == nullptr)
            return;
        std::copy(builtin.weights, builtin.weights + entries, kernel);
        ReplaceKernel(builtin.size, builtin.size, kernel, builtin.divisor);
        return;
    }
}

int CConvolutionFilter::SetKernel(const int* weights, int rows, int cols)
{
    int width = 0, height = 0;
    int* kernel = CopyToOddArea(weights, rows, cols, width, height);
    if (kernel == nullptr)
        return 0;
    m_dwProcessCode = kCustomKernelCode;
    ReplaceKernel(width, height, kernel, static_cast<int>(std::accumulate(kernel, kernel + width * height, 0LL)));
    return 1;
}

// Zero weights add nothing, so only the others are gathered.
int CConvolutionFilter::ProcessArea(BYTE* rgb, int x, int y, int w, int h, int imageWidth,
                                    int imageHeight)
{
    if (m_pKernel == nullptr)
        return 0;
    std::vector<int> positions;
    for (int i = 0; i < m_nWidth * m_nHeight; ++i)
        if (m_pKernel[i] != 0)
            positions.push_back(i);
    if (positions.empty())
        positions.push_back(0);
    return RunArea(rgb, x, y, w, h, imageWidth, imageHeight, positions, Run);
}

// What a filter adds on top of the weighted sum (the emboss offsets, nothing
// for plain convolution) is its result for an all-zero neighbourhood.
void CConvolutionFilter::Run(CImageAreaProcess& self, const AreaRun& run)
{
    std::vector<BYTE> zeros(static_cast<size_t>(run.count) * 3, 0);
    BYTE added[3];
    self.ProcessPixel(zeros.data(), run.positions, run.count, added);
    const int offsets[3] = {added[0], added[1], added[2]};
    static_cast<CConvolutionFilter&>(self).ConvolveRun(run, offsets);
}

namespace {

// Sums tap by tap over the whole run, so that each pass is one multiply-add
// over contiguous bytes.
template <typename Sum>
void Accumulate(const CImageAreaProcess::AreaRun& run, const int* kernel, Sum* sums)
{
    std::fill(sums, sums + run.bytes, Sum(0));
    for (int i = 0; i < run.count; ++i) {
        const Sum weight = kernel[run.positions[i]];
        const BYTE* source = run.sources[i];
        for (size_t k = 0; k < run.bytes; ++k)
            sums[k] += weight * source[k];
    }
}

// Division, channel offsets and clamping, each as one plain pass.
template <typename Sum>
void Finish(Sum* sums, size_t bytes, int divisor, const int offsets[3], BYTE* out)
{
    if (divisor != 0 && divisor != 1) {
        if (sizeof(Sum) == 4) {
            // Exact for 32-bit sums, and cheaper than integer division.
            const double d = divisor;
            for (size_t k = 0; k < bytes; ++k)
                sums[k] = static_cast<Sum>(static_cast<double>(sums[k]) / d);
        } else {
            for (size_t k = 0; k < bytes; ++k)
                sums[k] /= divisor;
        }
    }
    if (offsets[0] || offsets[1] || offsets[2])
        for (size_t k = 0; k < bytes; k += 3)
            for (int c = 0; c < 3; ++c)
                sums[k + c] += offsets[c];
    for (size_t k = 0; k < bytes; ++k)
        out[k] = static_cast<BYTE>(std::clamp<Sum>(sums[k], 0, 255));
}

}  // namespace

void CConvolutionFilter::ConvolveRun(const AreaRun& run, const int offsets[3]) const
{
    int64_t reach = 0;
    for (int i = 0; i < run.count; ++i)
        reach += std::abs(static_cast<int64_t>(m_pKernel[run.positions[i]])) * 255;
    if (reach < 0x7FFFFFFF) {
        std::vector<int32_t> sums(run.bytes);
        Accumulate(run, m_pKernel, sums.data());
        Finish(sums.data(), run.bytes, m_nDivisor, offsets, run.out);
    } else {
        std::vector<int64_t> sums(run.bytes);
        Accumulate(run, m_pKernel, sums.data());
        Finish(sums.data(), run.bytes, m_nDivisor, offsets, run.out);
    }
}

int CConvolutionFilter::Convolve(const BYTE* channel, const int* positions, int count) const
{
    // Wide sums: a caller's kernel may hold weights whose products overflow 32 bits.
    int64_t sum = 0;
    for (int i = 0; i < count; ++i)
        sum += static_cast<int64_t>(channel[i]) * m_pKernel[positions[i]];
    if (m_nDivisor != 0 && m_nDivisor != 1)
        sum /= m_nDivisor;
    return static_cast<int>(std::clamp<int64_t>(sum, -0x40000000, 0x40000000));
}

void CConvolutionFilter::ProcessPixel(const BYTE* samples, const int* positions, int count, BYTE* out)
{
    for (int c = 0; c < 3; ++c)
        out[c] = static_cast<BYTE>(std::clamp(Convolve(samples + c * count, positions, count), 0, 255));
}
