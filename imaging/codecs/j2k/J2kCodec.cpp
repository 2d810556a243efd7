#include "J2kCodec.h"

#include <cstdlib>
#include <new>

#include "J2kCodestreamReader.h"
#include "J2kCodestreamWriter.h"

// Every call keeps its state to itself, so calls on several threads do not meet.

int j2k_encode(J2kImage* image, J2kCodingParameters* cp, unsigned char* dest, int len)
{
    if (!image || !cp || !dest || len <= 0)
        return 0;
    try {
        J2kCodestreamWriter writer(*image, *cp);
        return writer.Write(dest, len);
    } catch (const J2kError&) {
        return 0;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

int j2k_decode(unsigned char* src, int len, J2kImage** image, J2kCodingParameters** cp)
{
    if (!image || !cp)
        return 0;
    *image = static_cast<J2kImage*>(calloc(1, sizeof(J2kImage)));
    *cp = static_cast<J2kCodingParameters*>(calloc(1, sizeof(J2kCodingParameters)));
    if (!*image || !*cp || !src || len <= 0)
        return 0;
    try {
        J2kCodestreamReader reader(**image, **cp);
        return reader.Read(src, len);
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

void j2k_destroy(J2kImage** image, J2kCodingParameters** cp)
{
    if (image && *image) {
        J2kImage* img = *image;
        if (img->components)
            for (int c = 0; c < img->componentCount; c++)
                free(img->components[c].data);
        free(img->components);
        free(img);
        *image = nullptr;
    }
    if (cp && *cp) {
        J2kCodingParameters* params = *cp;
        if (params->tiles)
            for (int t = 0; t < params->tw * params->th; t++)
                free(params->tiles[t].components);
        free(params->tiles);
        free(params);
        *cp = nullptr;
    }
}
