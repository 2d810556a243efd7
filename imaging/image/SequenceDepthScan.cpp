#include "SequenceDepthScan.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <dcmtk/config/osconfig.h>
#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcistrmf.h>
#include <dcmtk/dcmdata/dctag.h>
#include <dcmtk/dcmdata/dcvr.h>
#include <dcmtk/dcmdata/dcxfer.h>

namespace {

const uint32_t kUndefined = 0xFFFFFFFFu;
const uint64_t kOpenEnd = UINT64_MAX;
const uint16_t kItemGroup = 0xFFFE;
const uint16_t kItem = 0xE000, kItemEnd = 0xE00D, kSequenceEnd = 0xE0DD;

struct Encoding {
    bool explicitVr = true;
    bool bigEndian = false;
};

enum class Container { Sequence, PixelSequence, Item };

struct Open {
    Container kind;
    uint64_t end;  // kOpenEnd until a delimiter closes it
    Encoding encoding;
};

// Counted reads and skips over the toolkit's stream, which inflates a
// deflated data set on the way.
class Bytes {
public:
    explicit Bytes(DcmInputStream& in) : m_in(in) {}

    bool Read(uint8_t* buffer, size_t length)
    {
        size_t got = 0;
        while (got < length) {
            const offile_off_t n = m_in.read(buffer + got, static_cast<offile_off_t>(length - got));
            if (n <= 0)
                return false;
            got += static_cast<size_t>(n);
        }
        m_position += length;
        return true;
    }

    bool Skip(uint64_t length)
    {
        while (length > 0) {
            const offile_off_t n = m_in.skip(static_cast<offile_off_t>(length > (1u << 30) ? (1u << 30) : length));
            if (n <= 0)
                return false;
            length -= static_cast<uint64_t>(n);
            m_position += static_cast<uint64_t>(n);
        }
        return true;
    }

    uint64_t Position() const { return m_position; }

    // A look ahead: Back returns to the last mark.
    void Mark()
    {
        m_in.mark();
        m_marked = m_position;
    }
    void Back()
    {
        m_in.putback();
        m_position = m_marked;
    }

private:
    DcmInputStream& m_in;
    uint64_t m_position = 0;
    uint64_t m_marked = 0;
};

uint16_t Word(const uint8_t* p, bool bigEndian)
{
    return bigEndian ? static_cast<uint16_t>(p[0] << 8 | p[1]) : static_cast<uint16_t>(p[1] << 8 | p[0]);
}

uint32_t Long(const uint8_t* p, bool bigEndian)
{
    const uint32_t high = Word(p + (bigEndian ? 0 : 2), bigEndian);
    const uint32_t low = Word(p + (bigEndian ? 2 : 0), bigEndian);
    return high << 16 | low;
}

bool IsVrLetters(const uint8_t* p) { return p[0] >= 'A' && p[0] <= 'Z' && p[1] >= 'A' && p[1] <= 'Z'; }

// The meta header's transfer syntax, read element by element; the stream is
// left at the first element after the header.
std::string MetaTransferSyntax(Bytes& bytes)
{
    std::string uid;
    uint8_t header[8];
    for (;;) {
        bytes.Mark();
        if (!bytes.Read(header, 8) || Word(header, false) != 0x0002 || !IsVrLetters(header + 4)) {
            bytes.Back();
            return uid;
        }
        uint32_t length = Word(header + 6, false);
        const char vr[3] = {static_cast<char>(header[4]), static_cast<char>(header[5]), 0};
        if (DcmVR(vr).usesExtendedLengthEncoding()) {
            uint8_t extended[4];
            if (!bytes.Read(extended, 4))
                return uid;
            length = Long(extended, false);
        }
        if (Word(header + 2, false) == 0x0010 && length <= 64) {
            char text[65] = {};
            if (!bytes.Read(reinterpret_cast<uint8_t*>(text), length))
                return uid;
            uid = text;
            while (!uid.empty() && (uid.back() == ' ' || uid.back() == '\0'))
                uid.pop_back();
        } else if (length == kUndefined || !bytes.Skip(length)) {
            return uid;
        }
    }
}

// Without a meta header the toolkit guesses the encoding from the first
// element; letters where an explicit VR stands decide it here too.
Encoding GuessEncoding(Bytes& bytes)
{
    Encoding encoding;
    uint8_t header[6];
    bytes.Mark();
    encoding.explicitVr = bytes.Read(header, 6) && IsVrLetters(header + 4);
    bytes.Back();
    return encoding;
}

class Walk {
public:
    Walk(Bytes& bytes, Encoding top, int maxDepth) : m_bytes(bytes), m_top(top), m_maxDepth(maxDepth) {}

    bool Deeper()
    {
        while (Step()) {
            if (m_depth > m_maxDepth)
                return true;
        }
        return false;
    }

private:
    // One element header; false at the end of the data or where it is damaged.
    bool Step()
    {
        while (!m_open.empty() && m_open.back().end != kOpenEnd && m_bytes.Position() >= m_open.back().end)
            Close();
        const Encoding encoding = m_open.empty() ? m_top : m_open.back().encoding;
        uint8_t header[8];
        if (!m_bytes.Read(header, 8))
            return false;
        const uint16_t group = Word(header, encoding.bigEndian);
        const uint16_t element = Word(header + 2, encoding.bigEndian);
        if (group == kItemGroup)
            return Delimiter(element, Long(header + 4, encoding.bigEndian), encoding);
        if (!m_open.empty() && m_open.back().kind != Container::Item)
            return false;  // a sequence holds items only
        return encoding.explicitVr ? ExplicitElement(group, element, header, encoding)
                                   : ImplicitElement(group, element, Long(header + 4, encoding.bigEndian), encoding);
    }

    bool Delimiter(uint16_t element, uint32_t length, const Encoding& encoding)
    {
        const bool inPixels = !m_open.empty() && m_open.back().kind == Container::PixelSequence;
        if (element == kItem) {
            if (inPixels)
                return length != kUndefined && m_bytes.Skip(length);
            Push(Container::Item, length, encoding);
            return true;
        }
        if (element == kItemEnd && !m_open.empty() && m_open.back().kind == Container::Item) {
            Close();
        } else if (element == kSequenceEnd) {
            if (!m_open.empty() && m_open.back().kind == Container::Item)
                Close();
            if (!m_open.empty())
                Close();
        }
        return true;
    }

    bool ExplicitElement(uint16_t group, uint16_t element, const uint8_t* header, const Encoding& encoding)
    {
        const char letters[3] = {static_cast<char>(header[4]), static_cast<char>(header[5]), 0};
        const DcmVR vr(letters);
        uint32_t length = Word(header + 6, encoding.bigEndian);
        if (vr.usesExtendedLengthEncoding()) {
            uint8_t extended[4];
            if (!m_bytes.Read(extended, 4))
                return false;
            length = Long(extended, encoding.bigEndian);
        }
        if (vr.getEVR() == EVR_SQ)
            return Push(Container::Sequence, length, encoding);
        if (length != kUndefined)
            return m_bytes.Skip(length);
        if (DcmTagKey(group, element) == DCM_PixelData)
            return Push(Container::PixelSequence, length, encoding);
        // Undefined-length values of unknown type are read as sequences in
        // the implicit little-endian encoding.
        return Push(Container::Sequence, length, vr.getEVR() == EVR_UN ? Encoding{false, false} : encoding);
    }

    bool ImplicitElement(uint16_t group, uint16_t element, uint32_t length, const Encoding& encoding)
    {
        const DcmTagKey key(group, element);
        if (length == kUndefined)
            return Push(key == DCM_PixelData ? Container::PixelSequence : Container::Sequence, length, encoding);
        if (DcmTag(key).getEVR() == EVR_SQ)
            return Push(Container::Sequence, length, encoding);
        return m_bytes.Skip(length);
    }

    bool Push(Container kind, uint32_t length, const Encoding& encoding)
    {
        const uint64_t end = length == kUndefined ? kOpenEnd : m_bytes.Position() + length;
        m_open.push_back({kind, end, encoding});
        if (kind == Container::Sequence)
            ++m_depth;
        return true;
    }

    void Close()
    {
        if (m_open.back().kind == Container::Sequence)
            --m_depth;
        m_open.pop_back();
    }

    Bytes& m_bytes;
    Encoding m_top;
    int m_maxDepth;
    int m_depth = 0;
    std::vector<Open> m_open;
};

}  // namespace

bool SequenceDepthScan::Deeper(const char* path, int maxDepth)
{
    if (path == nullptr)
        return false;
    DcmInputFileStream in(path);
    if (!in.good())
        return false;
    Bytes bytes(in);
    uint8_t preamble[132];
    bytes.Mark();
    if (!bytes.Read(preamble, sizeof preamble) || std::memcmp(preamble + 128, "DICM", 4) != 0)
        bytes.Back();
    Encoding encoding;
    const std::string uid = MetaTransferSyntax(bytes);
    // An empty UID would name one of the toolkit's internal encodings.
    const DcmXfer syntax(uid.empty() ? "?" : uid.c_str());
    if (syntax.getXfer() == EXS_Unknown) {
        encoding = GuessEncoding(bytes);
    } else {
        encoding.explicitVr = syntax.isExplicitVR();
        encoding.bigEndian = syntax.isBigEndian();
        if (syntax.getStreamCompression() != ESC_none && in.installCompressionFilter(syntax.getStreamCompression()).bad())
            return false;
    }
    return Walk(bytes, encoding, maxDepth).Deeper();
}
