// Format ids of the raster image family.
#pragma once

enum RasterFormat {
    RASTER_FORMAT_UNKNOWN = 0,
    RASTER_FORMAT_BMP = 1,
    RASTER_FORMAT_GIF = 2,
    RASTER_FORMAT_JPG = 3,
    RASTER_FORMAT_PNG = 4,
    RASTER_FORMAT_ICO = 5,
    RASTER_FORMAT_TIF = 6,
    RASTER_FORMAT_TGA = 7,
    RASTER_FORMAT_PCX = 8,
    RASTER_FORMAT_WBMP = 9,
    RASTER_FORMAT_WMF = 10,
    RASTER_FORMAT_J2K = 11,
    RASTER_FORMAT_JP2 = 12,
    RASTER_FORMAT_JPC = 13,
    RASTER_FORMAT_PGX = 14,
    RASTER_FORMAT_PNM = 15,
    RASTER_FORMAT_RAS = 16,
    RASTER_FORMAT_COUNT = 17
};

// Upper bound of width x height x bits per pixel / 256.
#define RASTER_MAX_MEMORY 256000000
