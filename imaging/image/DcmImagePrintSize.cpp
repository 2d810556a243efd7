#include "DcmImage.h"

// Large images print at their own size; smaller CT and MR images at 1024 x 1024.
int CDcmImage::GetDicomPrintSize(int& width, int& height)
{
    const CDicomInfo& info = m_DicomInfo;
    width = info.m_nColumns;
    height = info.m_nRows;
    if (info.m_nRows >= 1024 && info.m_nColumns >= 1024)
        return 1;
    if (info.m_strModality == "CT" || info.m_strModality == "MR")
        width = height = 1024;
    return 1;
}
