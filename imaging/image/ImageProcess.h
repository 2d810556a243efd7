// Base of the pixel-processing classes: a process code and a flag.
#pragma once

#include "ImvexaApi.h"
#include "ImagePlatform.h"

class IMVEXA_API CImageProcess : public CObject {
    DECLARE_DYNAMIC(CImageProcess)
public:
    CImageProcess();

    virtual void SetProcessCode(DWORD code);
    DWORD GetProcessCode() const { return m_dwProcessCode; }

protected:
    DWORD m_dwProcessCode;
    int m_bFlag;
};
