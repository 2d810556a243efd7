#include "ImageProcess.h"

PLATFORM_IMPLEMENT_RUNTIMECLASS(CImageProcess, CObject, 0, nullptr)

CImageProcess::CImageProcess() : m_dwProcessCode(0), m_bFlag(1) {}

void CImageProcess::SetProcessCode(DWORD code)
{
    m_dwProcessCode = code;
}
