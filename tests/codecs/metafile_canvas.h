// Metafiles written through an independent library (libuemf) for the
// metafile tests: a placeable canvas, an enhanced one, brushes, and where
// the ink lands.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <string>

#include <uemf.h>
#include <uwmf.h>

#include "RasterImage.h"
#include "codec_test_util.h"

namespace codectest {

inline const Rgb kWhite{255, 255, 255};

inline void WmfBrush(WMFTRACK* wt, WMFHANDLES* wht, Rgb c)
{
    uint32_t brush;
    U_WLOGBRUSH lb = U_WLOGBRUSH_set(U_BS_SOLID, U_RGB(c.r, c.g, c.b), 0);
    wmf_append(reinterpret_cast<U_METARECORD*>(wcreatebrushindirect_set(&brush, wht, lb)), wt, 1);
    wmf_append(reinterpret_cast<U_METARECORD*>(wselectobject_set(brush, wht)), wt, 1);
}

inline void EmfBrush(EMFTRACK* et, EMFHANDLES* eht, Rgb c)
{
    uint32_t brush;
    U_LOGBRUSH lb = logbrush_set(U_BS_SOLID, U_RGB(c.r, c.g, c.b), 0);
    emf_append(reinterpret_cast<U_ENHMETARECORD*>(createbrushindirect_set(&brush, eht, lb)), et, 1);
    emf_append(reinterpret_cast<U_ENHMETARECORD*>(selectobject_set(brush, eht)), et, 1);
}

// An enhanced metafile of the given size in pixels of a 1920 x 1080 screen
// of 508 x 286 mm, its header written.
inline EMFTRACK* StartEmf(const std::string& path, int width, int height, EMFHANDLES** eht)
{
    EMFTRACK* et = nullptr;
    EXPECT_EQ(emf_start(path.c_str(), 4096, 4096, &et), 0);
    emf_htable_create(128, 128, eht);
    U_RECTL bounds = rectl_set(pointl_set(0, 0), pointl_set(width, height));
    U_RECTL frame = rectl_set(pointl_set(0, 0), pointl_set(width * 2646 / 100, height * 2646 / 100));
    emf_append(reinterpret_cast<U_ENHMETARECORD*>(U_EMRHEADER_set(bounds, frame, nullptr, 0, nullptr,
                                                                  sizel_set(1920, 1080), sizel_set(508, 286), 0)),
               et, 1);
    return et;
}

inline void FinishEmf(EMFTRACK* et, EMFHANDLES* eht)
{
    emf_append(reinterpret_cast<U_ENHMETARECORD*>(U_EMREOF_set(0, nullptr, et)), et, 1);
    EXPECT_EQ(emf_finish(et, eht), 0);
    emf_free(&et);
    emf_htable_free(&eht);
}

// A placeable metafile of 192 x 96 pixels, ten logical units a pixel, with
// a pen of its own colour so that outlines can be told from text.
class WmfCanvas {
public:
    // width x height pixels on the screen, ten logical units a pixel.
    explicit WmfCanvas(const std::string& path, int width = 192, int height = 96) : m_path(path)
    {
        EXPECT_EQ(wmf_start(path.c_str(), 4096, 4096, &m_wt), 0);
        wmf_htable_create(128, 128, &m_wht);
        U_PAIRF* size = U_PAIRF_set(width / 96.0f, height / 96.0f);
        wmf_header_append(reinterpret_cast<U_METARECORD*>(U_WMRHEADER_set(size, 1440)), m_wt, 1);
        free(size);
        Add(U_WMRSETWINDOWEXT_set(U_POINT16{int16_t(10 * width), int16_t(10 * height)}));
    }

    void Add(char* record) { wmf_append(reinterpret_cast<U_METARECORD*>(record), m_wt, 1); }
    WMFTRACK* Track() { return m_wt; }
    WMFHANDLES* Handles() { return m_wht; }

    std::string Finish()
    {
        Add(U_WMREOF_set());
        EXPECT_EQ(wmf_finish(m_wt), 0);
        wmf_free(&m_wt);
        wmf_htable_free(&m_wht);
        return m_path;
    }

private:
    std::string m_path;
    WMFTRACK* m_wt = nullptr;
    WMFHANDLES* m_wht = nullptr;
};

inline U_POINT16 Logical(int x, int y)
{
    return U_POINT16{int16_t(10 * x), int16_t(10 * y)};
}

// The box of every pixel that is not white, or an empty box.
inline RECT InkBox(CRasterImage& img)
{
    RECT box{INT_MAX, INT_MAX, -1, -1};
    for (int y = 0; y < int(img.GetHeight()); y++)
        for (int x = 0; x < int(img.GetWidth()); x++)
            if (!(PixelTopDown(img, x, y) == kWhite)) {
                box.left = std::min<LONG>(box.left, x);
                box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x);
                box.bottom = std::max<LONG>(box.bottom, y);
            }
    return box;
}

}  // namespace codectest
