// Calls into the imaging library made through templates, so that the
// program builds against a library that lacks one of these members: the
// call then reports failure (0) and changes nothing.
#pragma once

#include <type_traits>
#include <utility>

#include "DicomWnd.h"

namespace imagecalls {

#define IMAGECALLS_WINDOW_COMMAND(Name)                                                          \
    template <typename W, typename = void> struct Has##Name : std::false_type {};                \
    template <typename W>                                                                        \
    struct Has##Name<W, std::void_t<decltype(std::declval<W&>().Name())>> : std::true_type {};   \
    template <typename W> int Name(W& window)                                                    \
    {                                                                                            \
        if constexpr (Has##Name<W>::value) {                                                     \
            window.Name();                                                                       \
            return 1;                                                                            \
        } else {                                                                                 \
            return 0;                                                                            \
        }                                                                                        \
    }

IMAGECALLS_WINDOW_COMMAND(RotateLeft)
IMAGECALLS_WINDOW_COMMAND(RotateRight)
IMAGECALLS_WINDOW_COMMAND(ReverseImage)
IMAGECALLS_WINDOW_COMMAND(InverseImage)
IMAGECALLS_WINDOW_COMMAND(ResetImageSize)

#undef IMAGECALLS_WINDOW_COMMAND

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
