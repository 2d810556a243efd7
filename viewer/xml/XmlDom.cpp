#include "XmlDom.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <mutex>
#include <new>

#include <fcntl.h>
#include <strings.h>
#include <unistd.h>

#include <libxml/parser.h>
#include <libxml/tree.h>

#include "base/charset.h"

namespace {

// No network, no external subset, no entity expansion (so no external
// entities either), and no diagnostics on stderr: failures come back as a
// failed load.
const int kParseOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
// Text handed over in memory is already Unicode: a declared encoding does not apply.
const int kTextParseOptions = kParseOptions | XML_PARSE_IGNORE_ENC;

const char kWhiteSpace[] = " \t\r\n";

void InitLibraryOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { xmlInitParser(); });
}

bool IsWhiteSpaceOnly(const xmlChar* text)
{
    if (text == nullptr)
        return true;
    const char* chars = reinterpret_cast<const char*>(text);
    return chars[std::strspn(chars, kWhiteSpace)] == '\0';
}

std::string Trimmed(const char* text)
{
    std::string value = text ? text : "";
    const size_t first = value.find_first_not_of(kWhiteSpace);
    if (first == std::string::npos)
        return std::string();
    const size_t last = value.find_last_not_of(kWhiteSpace);
    return value.substr(first, last - first + 1);
}

std::string TakeXmlString(xmlChar* text)
{
    std::string value = text ? reinterpret_cast<const char*>(text) : "";
    xmlFree(text);
    return value;
}

std::string QualifiedName(const xmlNs* ns, const xmlChar* name)
{
    std::string qualified;
    if (ns != nullptr && ns->prefix != nullptr)
        qualified = std::string(reinterpret_cast<const char*>(ns->prefix)) + ":";
    return qualified + (name ? reinterpret_cast<const char*>(name) : "");
}

bool IsValidName(const char* name)
{
    return name != nullptr && xmlValidateName(BAD_CAST name, 0) == 0;
}

bool IsElement(XmlDomNode node)
{
    return node != nullptr && node->type == XML_ELEMENT_NODE;
}

// Drops the text nodes made only of white space, as the component did when
// loading with white space not preserved. Iterative: the tree may be deep.
void DropWhiteSpaceText(xmlNode* top)
{
    xmlNode* node = top;
    while (node != nullptr) {
        xmlNode* next = nullptr;
        if (node->type == XML_ELEMENT_NODE && node->children != nullptr) {
            next = node->children;
        } else {
            for (xmlNode* up = node; up != nullptr && up != top; up = up->parent) {
                if (up->next != nullptr) {
                    next = up->next;
                    break;
                }
            }
        }
        if (node->type == XML_TEXT_NODE && IsWhiteSpaceOnly(node->content)) {
            xmlUnlinkNode(node);
            xmlFreeNode(node);
        }
        node = next;
    }
}

// True when the prolog declares UTF-8 or no encoding at all.
bool DeclaresUtf8(const std::string& text)
{
    if (text.compare(0, 5, "<?xml") != 0)
        return true;
    const std::string prolog = text.substr(0, text.find("?>"));
    const size_t at = prolog.find("encoding");
    if (at == std::string::npos)
        return true;
    const size_t open = prolog.find_first_of("\"'", at);
    if (open == std::string::npos)
        return false;
    const size_t close = prolog.find(prolog[open], open + 1);
    const std::string name = prolog.substr(open + 1, close == std::string::npos ? 0 : close - open - 1);
    return strcasecmp(name.c_str(), "UTF-8") == 0 || strcasecmp(name.c_str(), "UTF8") == 0;
}

// A document that says UTF-8 but holds other bytes (DICOM text declared as
// UTF-8 and written in another character set passes through the converter
// as it is) is read with those bytes replaced rather than not at all.
bool ReadWholeFile(const char* path, std::string& text)
{
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char block[65536];
    ssize_t got;
    while ((got = read(fd, block, sizeof block)) > 0 && text.size() <= INT_MAX)
        text.append(block, static_cast<size_t>(got));
    close(fd);
    return got == 0;
}

xmlDoc* ReadWithInvalidUtf8Replaced(const char* path, int options)
{
    std::string text;
    if (!ReadWholeFile(path, text) || text.find('\0') != std::string::npos)
        return nullptr;
    if (IsValidUtf8(text.c_str()) || !DeclaresUtf8(text))
        return nullptr;
    const CString repaired = RepairUtf8(text.c_str());
    return xmlReadMemory(repaired, repaired.GetLength(), path, "UTF-8", options | XML_PARSE_IGNORE_ENC);
}

void FreeChildren(xmlNode* node)
{
    while (node->children != nullptr) {
        xmlNode* child = node->children;
        xmlUnlinkNode(child);
        xmlFreeNode(child);
    }
}

} // namespace

HRESULT XmlDomDocument::CreateInstance(XmlDomDocument** document)
{
    if (document == nullptr)
        return E_POINTER;
    *document = nullptr;
    InitLibraryOnce();
    xmlDoc* empty = xmlNewDoc(BAD_CAST "1.0");
    if (empty == nullptr)
        return E_OUTOFMEMORY;
    *document = new (std::nothrow) XmlDomDocument(empty);
    if (*document == nullptr) {
        xmlFreeDoc(empty);
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

XmlDomDocument::XmlDomDocument(xmlDoc* document) : m_document(document) {}

XmlDomDocument::~XmlDomDocument()
{
    xmlFreeDoc(m_document);
}

bool XmlDomDocument::Load(const char* path)
{
    if (path == nullptr)
        return ReplaceWith(nullptr);
    // Opened here so that the path is taken as a file name, never as a URI.
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return ReplaceWith(nullptr);
    xmlDoc* parsed = xmlReadFd(fd, path, nullptr, kParseOptions);
    close(fd);
    if (parsed == nullptr)
        parsed = ReadWithInvalidUtf8Replaced(path, kParseOptions);
    return ReplaceWith(parsed);
}

bool XmlDomDocument::LoadXML(const char* text, size_t length)
{
    if (text == nullptr || length == 0 || length > INT_MAX)
        return ReplaceWith(nullptr);
    return ReplaceWith(xmlReadMemory(text, static_cast<int>(length), nullptr, "UTF-8", kTextParseOptions));
}

bool XmlDomDocument::ReplaceWith(xmlDoc* parsed)
{
    const bool loaded = parsed != nullptr;
    if (!loaded)
        parsed = xmlNewDoc(BAD_CAST "1.0");
    else
        DropWhiteSpaceText(xmlDocGetRootElement(parsed));
    if (parsed == nullptr)
        return false;
    xmlFreeDoc(m_document);
    m_document = parsed;
    return loaded;
}

XmlDomNode XmlDomDocument::DocumentElement() const
{
    return xmlDocGetRootElement(m_document);
}

XmlDomNode XmlDomDocument::CreateElement(const char* name)
{
    if (!IsValidName(name))
        return nullptr;
    return xmlNewDocNode(m_document, nullptr, BAD_CAST name, nullptr);
}

bool XmlDomDocument::SetDocumentElement(XmlDomNode element)
{
    if (!IsElement(element) || element->parent != nullptr || DocumentElement() != nullptr)
        return false;
    xmlDocSetRootElement(m_document, element);
    return true;
}

bool XmlDomDocument::Save(const char* path) const
{
    if (path == nullptr)
        return false;
    const std::string text = Xml();
    // fopen, not the library's writer: that one would unescape "%20" in a name.
    FILE* file = std::fopen(path, "wb");
    if (file == nullptr)
        return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}

std::string XmlDomDocument::Xml() const
{
    if (m_document->children == nullptr)
        return std::string();
    xmlChar* text = nullptr;
    int size = 0;
    xmlDocDumpMemoryEnc(m_document, &text, &size, "UTF-8");
    return TakeXmlString(text);
}

int XmlDomNodeTypeOf(XmlDomNode node)
{
    if (node == nullptr)
        return 0;
    if (node->type >= XML_ELEMENT_NODE && node->type <= XML_NOTATION_NODE)
        return node->type;
    return node->type == XML_HTML_DOCUMENT_NODE ? XMLDOM_NODE_DOCUMENT : 0;
}

std::string XmlDomNodeName(XmlDomNode node)
{
    if (node == nullptr)
        return std::string();
    switch (node->type) {
    case XML_ELEMENT_NODE:
        return QualifiedName(node->ns, node->name);
    case XML_TEXT_NODE:
        return "#text";
    case XML_CDATA_SECTION_NODE:
        return "#cdata-section";
    case XML_COMMENT_NODE:
        return "#comment";
    case XML_DOCUMENT_NODE:
    case XML_HTML_DOCUMENT_NODE:
        return "#document";
    case XML_DOCUMENT_FRAG_NODE:
        return "#document-fragment";
    default:
        return node->name ? reinterpret_cast<const char*>(node->name) : "";
    }
}

std::string XmlDomText(XmlDomNode node)
{
    if (node == nullptr)
        return std::string();
    return Trimmed(TakeXmlString(xmlNodeGetContent(node)).c_str());
}

std::vector<XmlDomAttribute> XmlDomAttributes(XmlDomNode node)
{
    std::vector<XmlDomAttribute> attributes;
    if (!IsElement(node))
        return attributes;
    for (const xmlNs* ns = node->nsDef; ns != nullptr; ns = ns->next) {
        std::string name = "xmlns";
        if (ns->prefix != nullptr)
            name += std::string(":") + reinterpret_cast<const char*>(ns->prefix);
        attributes.push_back({name, ns->href ? reinterpret_cast<const char*>(ns->href) : ""});
    }
    for (xmlAttr* attribute = node->properties; attribute != nullptr; attribute = attribute->next) {
        attributes.push_back({QualifiedName(attribute->ns, attribute->name),
                              TakeXmlString(xmlNodeGetContent(reinterpret_cast<xmlNode*>(attribute)))});
    }
    return attributes;
}

XmlDomNode XmlDomFirstChild(XmlDomNode node)
{
    // An entity reference's children are the entity's own nodes, not the tree's.
    return IsElement(node) ? node->children : nullptr;
}

// Siblings are looked for inside an element only: beside the document element
// lie the document type and the prolog, which the cursor does not walk.
XmlDomNode XmlDomNextSibling(XmlDomNode node)
{
    return node != nullptr && IsElement(node->parent) ? node->next : nullptr;
}

XmlDomNode XmlDomPreviousSibling(XmlDomNode node)
{
    return node != nullptr && IsElement(node->parent) ? node->prev : nullptr;
}

XmlDomNode XmlDomParentElement(XmlDomNode node)
{
    return node != nullptr && IsElement(node->parent) ? node->parent : nullptr;
}

bool XmlDomAppendChild(XmlDomNode parent, XmlDomNode child)
{
    if (!IsElement(parent) || !IsElement(child) || child->parent != nullptr)
        return false;
    return xmlAddChild(parent, child) != nullptr;
}

bool XmlDomInsertFirstChild(XmlDomNode parent, XmlDomNode child)
{
    if (!IsElement(parent) || parent->children == nullptr)
        return XmlDomAppendChild(parent, child);
    return XmlDomInsertBefore(parent->children, child);
}

bool XmlDomInsertBefore(XmlDomNode sibling, XmlDomNode node)
{
    if (sibling == nullptr || !IsElement(sibling->parent) || !IsElement(node) || node->parent != nullptr)
        return false;
    return xmlAddPrevSibling(sibling, node) != nullptr;
}

bool XmlDomInsertAfter(XmlDomNode sibling, XmlDomNode node)
{
    if (sibling == nullptr || !IsElement(sibling->parent) || !IsElement(node) || node->parent != nullptr)
        return false;
    return xmlAddNextSibling(sibling, node) != nullptr;
}

void XmlDomRemove(XmlDomNode node)
{
    if (node == nullptr)
        return;
    xmlUnlinkNode(node);
    xmlFreeNode(node);
}

void XmlDomFreeUnlinked(XmlDomNode node)
{
    if (node != nullptr && node->parent == nullptr)
        xmlFreeNode(node);
}

bool XmlDomSetAttribute(XmlDomNode element, const char* name, const char* value)
{
    if (!IsElement(element) || !IsValidName(name))
        return false;
    return xmlSetProp(element, BAD_CAST name, BAD_CAST(value ? value : "")) != nullptr;
}

bool XmlDomRemoveAttribute(XmlDomNode element, const char* name)
{
    if (!IsElement(element) || name == nullptr)
        return false;
    for (xmlAttr* attribute = element->properties; attribute != nullptr; attribute = attribute->next) {
        if (QualifiedName(attribute->ns, attribute->name) == name) {
            xmlRemoveProp(attribute);
            break;
        }
    }
    return true;
}

bool XmlDomSetText(XmlDomNode node, const char* text)
{
    if (node == nullptr)
        return false;
    if (text == nullptr)
        text = "";
    switch (node->type) {
    case XML_ELEMENT_NODE:
        FreeChildren(node);
        // A text node of our own: the library's content setter would read
        // "&..." in the text as entity references.
        return *text == '\0' || xmlAddChild(node, xmlNewDocText(node->doc, BAD_CAST text)) != nullptr;
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_COMMENT_NODE:
    case XML_PI_NODE:
        xmlNodeSetContent(node, BAD_CAST text);
        return true;
    default:
        return false;
    }
}

std::string XmlDomErrorText(HRESULT code)
{
    const DWORD value = static_cast<DWORD>(code);
    const WORD dispatchCode = value >= 0x80040200UL && value <= 0x8004FFFFUL ? static_cast<WORD>(value - 0x200) : 0;
    char text[64];
    if (dispatchCode != 0)
        std::snprintf(text, sizeof text, "IDispatch error #%d", dispatchCode);
    else
        std::snprintf(text, sizeof text, "Unknown error 0x%0lX", static_cast<unsigned long>(value));
    return text;
}
