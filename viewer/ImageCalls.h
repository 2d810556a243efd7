// The export call of save all, made through a template so that the program
// builds against a library without the export writers: the call then
// reports failure (0) and writes nothing.
#pragma once

#include <type_traits>
#include <utility>

#include "DcmImage.h"

namespace imagecalls {

template <typename I, typename = void> struct HasSaveAs : std::false_type {};
template <typename I>
struct HasSaveAs<I, std::void_t<decltype(std::declval<I&>().SaveAs(std::declval<CString>(), 0, 0, 0, 0,
                                                                     static_cast<CRect*>(nullptr)))>>
    : std::true_type {};

// Exports the image at its own size, without overlays: 1 when written.
template <typename I> int SaveAs(I& image, const CString& path, int showInfo)
{
    if constexpr (HasSaveAs<I>::value)
        return image.SaveAs(path, 0, 0, showInfo, 0, nullptr) ? 1 : 0;
    else
        return 0;
}

}  // namespace imagecalls
