// The DOM document the XML cursor stands on, kept to the calls the cursor
// makes. Loading follows the document component the cursor was written
// against: text nodes made only of white space are dropped, a node's text is
// trimmed, and node names are the DOM's ("#text", "#comment", ...).
#pragma once

#include <string>
#include <vector>

#include "base/wintypes.h"

struct _xmlDoc;
struct _xmlNode;

typedef _xmlNode* XmlDomNode;

// DOM node types (the values of the DOM's nodeType).
enum XmlDomNodeType {
    XMLDOM_NODE_ELEMENT = 1,
    XMLDOM_NODE_TEXT = 3,
    XMLDOM_NODE_CDATA_SECTION = 4,
    XMLDOM_NODE_ENTITY_REFERENCE = 5,
    XMLDOM_NODE_PROCESSING_INSTRUCTION = 7,
    XMLDOM_NODE_COMMENT = 8,
    XMLDOM_NODE_DOCUMENT = 9,
};

struct XmlDomAttribute {
    std::string name;
    std::string value;
};

class XmlDomDocument {
public:
    // E_OUTOFMEMORY when the document cannot be made.
    static HRESULT CreateInstance(XmlDomDocument** document);
    ~XmlDomDocument();

    XmlDomDocument(const XmlDomDocument&) = delete;
    XmlDomDocument& operator=(const XmlDomDocument&) = delete;

    // Both replace the content; on failure the document is left empty.
    bool Load(const char* path);
    bool LoadXML(const char* text, size_t length);

    XmlDomNode DocumentElement() const;
    // The new element belongs to this document but is not yet in the tree;
    // null when the name is not a valid XML name.
    XmlDomNode CreateElement(const char* name);
    // Makes an element created here the document element of an empty document.
    bool SetDocumentElement(XmlDomNode element);
    bool Save(const char* path) const;
    std::string Xml() const;

private:
    explicit XmlDomDocument(_xmlDoc* document);
    bool ReplaceWith(_xmlDoc* parsed);

    _xmlDoc* m_document;
};

int XmlDomNodeTypeOf(XmlDomNode node);
std::string XmlDomNodeName(XmlDomNode node);
std::string XmlDomText(XmlDomNode node);
std::vector<XmlDomAttribute> XmlDomAttributes(XmlDomNode node);

XmlDomNode XmlDomFirstChild(XmlDomNode node);
XmlDomNode XmlDomNextSibling(XmlDomNode node);
XmlDomNode XmlDomPreviousSibling(XmlDomNode node);
// The element above the node; null for the document element.
XmlDomNode XmlDomParentElement(XmlDomNode node);

// Tree edits. Each refuses (false) what the DOM refuses: children under
// anything but an element, a second document element, invalid names.
bool XmlDomAppendChild(XmlDomNode parent, XmlDomNode child);
bool XmlDomInsertFirstChild(XmlDomNode parent, XmlDomNode child);
bool XmlDomInsertBefore(XmlDomNode sibling, XmlDomNode node);
bool XmlDomInsertAfter(XmlDomNode sibling, XmlDomNode node);
// Unlinks the node and frees it with its subtree.
void XmlDomRemove(XmlDomNode node);
// Frees an element made by CreateElement that never joined the tree.
void XmlDomFreeUnlinked(XmlDomNode node);
bool XmlDomSetAttribute(XmlDomNode element, const char* name, const char* value);
bool XmlDomRemoveAttribute(XmlDomNode element, const char* name);
bool XmlDomSetText(XmlDomNode node, const char* text);

// The text reported for a failed call of the document component.
std::string XmlDomErrorText(HRESULT code);
