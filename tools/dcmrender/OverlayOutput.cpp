#include "OverlayOutput.h"

#include <cstdio>
#include <string>

#include "OverLay.h"
#include "OverLayManager.h"
#include "OverLayText.h"

namespace {

const char* KindName(int type)
{
    switch (type) {
    case 1: return "rect";
    case 2: return "ellipse";
    case 3: return "poly";
    case 4: return "point";
    case 5: return "line";
    case 6: return "arrow";
    case 7: return "angle";
    case 9: return "text";
    default: return nullptr;
    }
}

std::string Points(const short* values, int count)
{
    std::string out;
    for (int i = 0; i + 1 < count; i += 2)
        out += " " + std::to_string(values[i]) + "," + std::to_string(values[i + 1]);
    return out;
}

// Type and points from the overlay's own record; a text overlay without
// text has no record, so it is listed from its members.
std::string Describe(COverLay* overlay)
{
    if (auto* text = DYNAMIC_DOWNCAST(COverLayText, overlay)) {
        const short anchor[2] = {static_cast<short>(text->m_nImageX), static_cast<short>(text->m_nImageY)};
        return std::string("text") + Points(anchor, 2) + " text=" + static_cast<const char*>(text->m_strText);
    }
    overlay->BuildRecord();
    const int words = overlay->GetRecordSize() / 2;
    const short* record = overlay->m_pRecord;
    if (record == nullptr || words < 1 || KindName(record[0]) == nullptr)
        return "unknown";
    // The polygon's vertex count precedes its points.
    const int first = record[0] == 3 ? 2 : 1;
    return KindName(record[0]) + Points(record + first, words - first);
}

}  // namespace

void PrintOverlays(CDcmImage& image)
{
    COverLayManager* manager = image.GetOverLayManager();
    // Measured again on the image as it is now turned and mirrored, as the
    // window measures an overlay drawn on it.
    if (manager != nullptr)
        manager->MeasureAll();
    const int count = manager != nullptr ? manager->GetCount() : 0;
    for (int i = 0; i < count; ++i) {
        COverLay* overlay = manager->GetAt(i);
        std::printf("overlay=%s\n", Describe(overlay).c_str());
        const CString measure = overlay->MeasureText();
        if (!measure.IsEmpty())
            std::printf("measure=%s\n", static_cast<const char*>(measure));
    }
}

std::vector<BYTE> ImageBits(CDcmImage& image, bool withInfo, bool withOverlays)
{
    const size_t bytes = static_cast<size_t>(image.GetWidth()) * image.GetHeight() *
                         (image.GetColorMode() == COLOR_MODE_RGB ? 3 : 1);
    // Without a window the overlays are placed one window pixel per image pixel.
    if (COverLayManager* manager = image.GetOverLayManager()) {
        manager->SetImageRect(0, 0, image.GetWidth(), image.GetHeight(), 0);
        manager->UpdateScreenPoints();
    }
    std::vector<BYTE> out(bytes);
    if (bytes == 0 || !image.GetImageBits(out.data(), withInfo ? 1 : 0, withOverlays ? 1 : 0))
        return {};
    return out;
}
