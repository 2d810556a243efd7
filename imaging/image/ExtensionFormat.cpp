#include "ExtensionFormat.h"

namespace {

struct ExtensionFormat {
    const char* extension;
    int formatId;
};

const ExtensionFormat kFormats[] = {
    {"bmp", 1}, {"jpg", 3}, {"jpeg", 3}, {"gif", 2}, {"png", 4}, {"ico", 5},
    {"tiff", 6}, {"tif", 6}, {"tga", 7}, {"pcx", 8}, {"wbmp", 9}, {"wmf", 10},
    {"emf", 10}, {"j2k", 11}, {"jp2", 12}, {"jpc", 13}, {"j2c", 13}, {"pgx", 14},
    {"ras", 16}, {"pnm", 15}, {"pgm", 15}, {"ppm", 15},
};

}  // namespace

CString GetFileExtension(const CString& path)
{
    const int dot = path.ReverseFind('.');
    return dot < 0 ? CString() : path.Mid(dot + 1);
}

int FormatIdFromExtension(CString extension)
{
    extension.MakeLower();
    for (const ExtensionFormat& format : kFormats)
        if (extension == format.extension)
            return format.formatId;
    return 0;
}

