// Stand-in for the overlay manager: the operations the image model calls,
// with no overlays behind them. Replaced by the overlay family's own manager.
#pragma once

#include "ImagePlatform.h"

class CDcmImage;

extern int CurrentOverlayTool;
extern int CurrentOverlayMode;

class COverLayManager : public CObject {
public:
    COverLayManager() = default;
    ~COverLayManager() override = default;

    void SetImage(CDcmImage* image) { m_pImage = image; }
    void ParseRecords(const short*, int) {}
    void SetCurrentOverlay(void*) {}
    int IsModified() const { return 0; }
    int BuildRecords() { return 0; }
    const BYTE* GetRecordsBlob() const { return nullptr; }
    int GetRecordsBlobSize() const { return 0; }
    void MeasureAll() {}
    void UpdateScreenPoints() {}
    int BurnAll(BYTE*, int, int) { return 1; }

private:
    CDcmImage* m_pImage = nullptr;
};
