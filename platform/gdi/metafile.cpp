#include "gdi/metafile.h"

#include <cstring>
#include <memory>
#include <vector>

#include "gdi/emf_player.h"
#include "gdi/objects.h"
#include "gdi/wmf_player.h"

namespace gdi {

namespace {

struct MetaFile : Object {
    MetaFile() : Object(Kind::MetaFile) {}
    bool enhanced = false;
    std::vector<uint8_t> bytes;
    ENHMETAHEADER header{};
    std::vector<PALETTEENTRY> palette;
};

std::shared_ptr<MetaFile> findMetaFile(HENHMETAFILE handle)
{
    return findAs<MetaFile>(reinterpret_cast<HGDIOBJ>(handle), Kind::MetaFile);
}

HENHMETAFILE addMetaFile(std::shared_ptr<MetaFile> metafile)
{
    return reinterpret_cast<HENHMETAFILE>(add(std::move(metafile)));
}

const size_t kWmfHeaderBytes = 18;
const size_t kEmfHeaderMinimum = 88;

// The palette that an enhanced metafile's end record carries.
void ReadEndPalette(MetaFile& m)
{
    size_t pos = 0, size = m.bytes.size();
    while (pos + 8 <= size) {
        RecordReader r(m.bytes.data() + pos, size - pos);
        uint32_t type = r.U32(0), length = r.U32(4);
        if (length < 8 || length > size - pos)
            return;
        if (type == 14) {
            RecordReader end(m.bytes.data() + pos, length);
            uint32_t count = end.U32(8), offset = end.U32(12);
            if (count > 0 && count <= 65536 && end.Has(offset, size_t(count) * 4)) {
                m.palette.resize(count);
                memcpy(m.palette.data(), end.At(offset), size_t(count) * 4);
            }
            return;
        }
        pos += length;
    }
}

}  // namespace

thread_local double lastPlaybackCost = 0;

double LastPlaybackCost() { return lastPlaybackCost; }

}  // namespace gdi

using namespace gdi;

HENHMETAFILE SetWinMetaFileBits(UINT size, const BYTE* bits, HDC, const METAFILEPICT* pict)
{
    if (!bits || size < kWmfHeaderBytes)
        return nullptr;
    RecordReader header(bits, size);
    uint16_t type = header.U16(0), headerWords = header.U16(2);
    uint64_t bytes = uint64_t(header.U32(6)) * 2;
    if ((type != 1 && type != 2) || headerWords != 9 || bytes < kWmfHeaderBytes)
        return nullptr;
    auto m = std::make_shared<MetaFile>();
    m->bytes.assign(bits, bits + std::min<uint64_t>(bytes, size));
    ENHMETAHEADER& h = m->header;
    h.iType = 1;
    h.nSize = sizeof(ENHMETAHEADER);
    h.dSignature = ENHMETA_SIGNATURE;
    h.nVersion = 0x10000;
    h.nBytes = UINT(m->bytes.size());
    h.nHandles = WORD(std::min<int>(header.U16(10) + 1, 0xFFFF));
    h.szlDevice = {kScreenWidth, kScreenHeight};
    h.szlMillimeters = {kScreenWidth * 254 / (kScreenDpi * 10), kScreenHeight * 254 / (kScreenDpi * 10)};
    if (pict && pict->xExt > 0 && pict->yExt > 0) {
        h.rclFrame = {0, 0, pict->xExt, pict->yExt};
        h.rclBounds = {0, 0, LONG(int64_t(pict->xExt) * kScreenDpi / 2540),
                       LONG(int64_t(pict->yExt) * kScreenDpi / 2540)};
    }
    return addMetaFile(std::move(m));
}

HENHMETAFILE SetEnhMetaFileBits(UINT size, const BYTE* bits)
{
    if (!bits || size < kEmfHeaderMinimum)
        return nullptr;
    RecordReader r(bits, size);
    uint32_t headerBytes = r.U32(4);
    if (r.U32(0) != 1 || headerBytes < kEmfHeaderMinimum || headerBytes > size ||
        r.U32(40) != ENHMETA_SIGNATURE)
        return nullptr;
    auto m = std::make_shared<MetaFile>();
    m->enhanced = true;
    size_t total = std::min<size_t>(size, std::max<uint32_t>(r.U32(48), headerBytes));
    m->bytes.assign(bits, bits + total);
    memcpy(&m->header, bits, std::min<size_t>(headerBytes, sizeof(ENHMETAHEADER)));
    ReadEndPalette(*m);
    m->header.nPalEntries = DWORD(m->palette.size());
    return addMetaFile(std::move(m));
}

UINT GetEnhMetaFileHeader(HENHMETAFILE metafile, UINT size, ENHMETAHEADER* header)
{
    std::shared_ptr<MetaFile> m = findMetaFile(metafile);
    if (!m)
        return 0;
    if (!header)
        return sizeof(ENHMETAHEADER);
    UINT copied = std::min<UINT>(size, sizeof(ENHMETAHEADER));
    memcpy(header, &m->header, copied);
    return copied;
}

UINT GetEnhMetaFilePaletteEntries(HENHMETAFILE metafile, UINT count, PALETTEENTRY* entries)
{
    std::shared_ptr<MetaFile> m = findMetaFile(metafile);
    if (!m)
        return 0;
    if (!entries)
        return UINT(m->palette.size());
    UINT copied = std::min<UINT>(count, UINT(m->palette.size()));
    memcpy(entries, m->palette.data(), size_t(copied) * sizeof(PALETTEENTRY));
    return copied;
}

BOOL PlayEnhMetaFile(HDC dc, HENHMETAFILE metafile, const RECT* rect)
{
    std::shared_ptr<MetaFile> m = findMetaFile(metafile);
    if (!m || !rect || !findDc(dc))
        return FALSE;
    // A drawing that outgrows its picture is cut short and reported.
    if (m->enhanced) {
        EmfPlayer player(dc, *rect, m->header);
        player.Play(m->bytes.data(), m->bytes.size());
        lastPlaybackCost = player.Spent();
        return !player.Exhausted();
    }
    WmfPlayer player(dc, *rect);
    player.Play(m->bytes.data(), m->bytes.size());
    lastPlaybackCost = player.Spent();
    return !player.Exhausted();
}

BOOL DeleteEnhMetaFile(HENHMETAFILE metafile)
{
    if (!findMetaFile(metafile))
        return FALSE;
    return remove(reinterpret_cast<HGDIOBJ>(metafile)) ? TRUE : FALSE;
}
