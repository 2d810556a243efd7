#include "XmlParser.h"

namespace {

const char kTextTag[] = "<#TEXT#>";
const char kTextName[] = "#TEXT#";

CString Lowered(LPCTSTR text)
{
    CString lowered(text);
    lowered.MakeLower();
    return lowered;
}

} // namespace

XML_PARSER::XML_PARSER()
    : m_pDocument(nullptr), m_pRoot(nullptr), m_pCurrentNode(nullptr), m_DefaultText("Success"),
      m_CurrentAttribute(-1)
{
    m_LastError = m_DefaultText;
}

XML_PARSER::~XML_PARSER()
{
    delete m_pDocument;
}

bool XML_PARSER::Init_Document()
{
    m_LastError = m_DefaultText;
    delete m_pDocument;
    m_pDocument = nullptr;
    const HRESULT result = XmlDomDocument::CreateInstance(&m_pDocument);
    if (FAILED(result))
        return Fail(result);
    return true;
}

bool XML_PARSER::Reset_XML_Document()
{
    const bool created = Init_Document();
    m_pRoot = m_pDocument ? m_pDocument->DocumentElement() : nullptr;
    m_pCurrentNode = nullptr;
    m_AttributeNames.RemoveAll();
    m_AttributeValues.RemoveAll();
    m_CurrentTag.Empty();
    m_CurrentName.Empty();
    m_ChainTag.Empty();
    m_TextValue.Empty();
    m_CurrentAttribute = -1;
    return created;
}

bool XML_PARSER::Load_XML_Document(LPCTSTR path)
{
    m_LastError = m_DefaultText;
    if (!Reset_XML_Document())
        return false;
    return Finish_Load(m_pDocument->Load(path));
}

bool XML_PARSER::Load_XML(CString text)
{
    m_LastError = m_DefaultText;
    if (!Reset_XML_Document())
        return false;
    return Finish_Load(m_pDocument->LoadXML(text, text.GetLength()));
}

bool XML_PARSER::Finish_Load(bool loaded)
{
    m_pRoot = m_pDocument->DocumentElement();
    if (!loaded || m_pRoot == nullptr) {
        m_LastError = "XML Document FAILED to load";
        return false;
    }
    Parse_Objects(m_pRoot);
    Go_to_Root();
    return true;
}

void XML_PARSER::Parse_XML_Document() {}

// Recursion depth is bounded: the loader refuses documents nested deeper
// than a few hundred levels.
void XML_PARSER::Parse_Objects(XmlDomNode node)
{
    Grab_Node_Informations(node);
    m_pCurrentNode = node;
    Parse_XML_Document();
    if (!Is_Element_Like(node))
        return;
    ChainTag_Add(m_CurrentTag);
    for (XmlDomNode child = XmlDomFirstChild(node); child != nullptr; child = XmlDomNextSibling(child))
        Parse_Objects(child);
    ChainTag_Remove(1);
}

bool XML_PARSER::Save_XML_Document(LPCTSTR path)
{
    m_LastError = m_DefaultText;
    if (m_pDocument == nullptr || !m_pDocument->Save(path))
        return Fail(E_FAIL);
    return true;
}

CString XML_PARSER::Get_XML()
{
    return m_pDocument ? CString(m_pDocument->Xml().c_str()) : CString();
}

const CString& XML_PARSER::Get_LastError()
{
    return m_LastError;
}

const CString& XML_PARSER::Get_CurrentTag()
{
    return m_CurrentTag;
}

const CString& XML_PARSER::Get_CurrentName()
{
    return m_CurrentName;
}

const CString& XML_PARSER::Get_TextValue()
{
    return m_TextValue;
}

bool XML_PARSER::Is_Tag(LPCTSTR tag)
{
    return tag != nullptr && m_CurrentTag == tag;
}

bool XML_PARSER::Is_TextNode()
{
    return Is_Tag(kTextTag);
}

bool XML_PARSER::Is_Root()
{
    return m_ChainTag.IsEmpty() != FALSE;
}

bool XML_PARSER::Is_Child_of(LPCTSTR tag)
{
    if (tag == nullptr)
        return false;
    const CString suffix(tag);
    return m_ChainTag.GetLength() >= suffix.GetLength() && m_ChainTag.Right(suffix.GetLength()) == suffix;
}

bool XML_PARSER::Is_Having_Attribute(LPCTSTR name, int flag)
{
    m_CurrentAttribute = -1;
    if (name == nullptr)
        return false;
    const CString wanted = flag ? Lowered(name) : CString(name);
    for (int index = 0; index < m_AttributeNames.GetSize(); index++) {
        const CString& candidate = m_AttributeNames[index];
        if ((flag ? Lowered(candidate) : candidate) == wanted) {
            m_CurrentAttribute = index;
            return true;
        }
    }
    return false;
}

// The index outlives the node it was found on: past the arrays of the node
// now described it counts as no attribute.
const CString& XML_PARSER::Get_Attribute_Value()
{
    m_LastError = m_DefaultText;
    if (m_CurrentAttribute >= 0 && m_CurrentAttribute < m_AttributeValues.GetSize())
        return m_AttributeValues[m_CurrentAttribute];
    m_LastError = "Can't Retrieve an Attribute";
    return m_LastError;
}

const CString& XML_PARSER::Get_Attribute_Name()
{
    m_LastError = m_DefaultText;
    if (m_CurrentAttribute >= 0 && m_CurrentAttribute < m_AttributeNames.GetSize())
        return m_AttributeNames[m_CurrentAttribute];
    m_LastError = "Can't Retrieve an Attribute";
    return m_LastError;
}

bool XML_PARSER::Go_to_Root()
{
    if (m_pRoot == nullptr)
        return false;
    m_pCurrentNode = m_pRoot;
    m_ChainTag.Empty();
    Grab_Node_Informations(m_pRoot);
    return true;
}

bool XML_PARSER::Go_to_Child(LPCTSTR name, int flag)
{
    if (!Is_Element_Like(m_pCurrentNode))
        return false;
    for (XmlDomNode child = XmlDomFirstChild(m_pCurrentNode); child != nullptr; child = XmlDomNextSibling(child)) {
        if (Name_Matches(child, name, flag)) {
            ChainTag_Add("<" + Cursor_Name(m_pCurrentNode) + ">");
            m_pCurrentNode = child;
            Grab_Node_Informations(child);
            return true;
        }
    }
    Grab_Node_Informations(m_pCurrentNode);
    return false;
}

bool XML_PARSER::Go_to_Forward(LPCTSTR name, int flag)
{
    return Go_to_Sibling(XmlDomNextSibling, name, flag);
}

bool XML_PARSER::Go_to_Back(LPCTSTR name, int flag)
{
    return Go_to_Sibling(XmlDomPreviousSibling, name, flag);
}

bool XML_PARSER::Go_to_Sibling(XmlDomNode (*step)(XmlDomNode), LPCTSTR name, int flag)
{
    if (!Is_Element_Like(m_pCurrentNode))
        return false;
    for (XmlDomNode sibling = step(m_pCurrentNode); sibling != nullptr; sibling = step(sibling)) {
        if (Name_Matches(sibling, name, flag)) {
            m_pCurrentNode = sibling;
            Grab_Node_Informations(sibling);
            return true;
        }
    }
    Grab_Node_Informations(m_pCurrentNode);
    return false;
}

bool XML_PARSER::Go_to_Parent(LPCTSTR name, int flag)
{
    if (!Is_Element_Like(m_pCurrentNode) || m_pCurrentNode == m_pRoot)
        return false;
    int levels = 0;
    // The climb ends at the document element: its parent is no element.
    for (XmlDomNode ancestor = XmlDomParentElement(m_pCurrentNode); ancestor != nullptr;
         ancestor = XmlDomParentElement(ancestor)) {
        levels++;
        if (Name_Matches(ancestor, name, flag)) {
            ChainTag_Remove(levels);
            m_pCurrentNode = ancestor;
            Grab_Node_Informations(ancestor);
            return true;
        }
    }
    Grab_Node_Informations(m_pCurrentNode);
    return false;
}

bool XML_PARSER::Add_LastChildNode(LPCTSTR name)
{
    return Add_ChildNode(name, false);
}

bool XML_PARSER::Add_FirstChildNode(LPCTSTR name)
{
    return Add_ChildNode(name, true);
}

bool XML_PARSER::Add_ChildNode(LPCTSTR name, bool first)
{
    XmlDomNode element = New_Element(name);
    if (element == nullptr)
        return false;
    XmlDomNode parent = m_pCurrentNode ? m_pCurrentNode : m_pRoot;
    bool added;
    if (parent == nullptr)
        added = m_pDocument->SetDocumentElement(element);
    else
        added = first ? XmlDomInsertFirstChild(parent, element) : XmlDomAppendChild(parent, element);
    if (!added) {
        XmlDomFreeUnlinked(element);
        return Fail(E_FAIL);
    }
    if (parent == nullptr)
        m_pRoot = element;
    else
        ChainTag_Add("<" + Cursor_Name(parent) + ">");
    m_pCurrentNode = element;
    Grab_Node_Informations(element);
    return true;
}

bool XML_PARSER::Add_NodeBefore(LPCTSTR name)
{
    return Add_SiblingNode(name, true);
}

bool XML_PARSER::Add_NodeAfter(LPCTSTR name)
{
    return Add_SiblingNode(name, false);
}

// The document element has no siblings: a document holds one element only.
bool XML_PARSER::Add_SiblingNode(LPCTSTR name, bool before)
{
    XmlDomNode element = New_Element(name);
    if (element == nullptr)
        return false;
    bool added;
    if (m_pRoot == nullptr)
        added = m_pDocument->SetDocumentElement(element);
    else if (before)
        added = XmlDomInsertBefore(m_pCurrentNode, element);
    else
        added = XmlDomInsertAfter(m_pCurrentNode, element);
    if (!added) {
        XmlDomFreeUnlinked(element);
        return Fail(E_FAIL);
    }
    if (m_pRoot == nullptr)
        m_pRoot = element;
    m_pCurrentNode = element;
    Grab_Node_Informations(element);
    return true;
}

XmlDomNode XML_PARSER::New_Element(LPCTSTR name)
{
    m_LastError = m_DefaultText;
    if (m_pDocument == nullptr) {
        Fail(E_FAIL);
        return nullptr;
    }
    XmlDomNode element = m_pDocument->CreateElement(name);
    if (element == nullptr)
        Fail(E_INVALIDARG);
    return element;
}

bool XML_PARSER::Set_Attribute(LPCTSTR name, LPCTSTR value)
{
    m_LastError = m_DefaultText;
    if (!XmlDomSetAttribute(m_pCurrentNode, name, value))
        return Fail(E_INVALIDARG);
    Grab_Node_Informations(m_pCurrentNode);
    return true;
}

bool XML_PARSER::Remove_Attribute(LPCTSTR name)
{
    m_LastError = m_DefaultText;
    XmlDomNode node = m_pCurrentNode ? m_pCurrentNode : m_pRoot;
    if (node == nullptr || !XmlDomRemoveAttribute(node, name))
        return Fail(E_FAIL);
    // The arrays must not go on offering the removed attribute.
    if (node == m_pCurrentNode)
        Grab_Node_Informations(m_pCurrentNode);
    return true;
}

bool XML_PARSER::Set_Text(LPCTSTR text)
{
    m_LastError = m_DefaultText;
    if (!XmlDomSetText(m_pCurrentNode, text))
        return Fail(E_FAIL);
    Grab_Node_Informations(m_pCurrentNode);
    return true;
}

bool XML_PARSER::Remove()
{
    m_LastError = m_DefaultText;
    XmlDomNode node = m_pCurrentNode ? m_pCurrentNode : m_pRoot;
    if (node == nullptr)
        return Fail(E_FAIL);
    XmlDomNode parent = node == m_pRoot ? nullptr : XmlDomParentElement(node);
    XmlDomRemove(node);
    if (parent == nullptr) {
        m_pRoot = nullptr;
        m_ChainTag.Empty();
    } else {
        ChainTag_Remove(1);
    }
    m_pCurrentNode = parent;
    Grab_Node_Informations(parent);
    return true;
}

bool XML_PARSER::RemoveChild(LPCTSTR name)
{
    return Go_to_Child(name, 0) && Remove();
}

bool XML_PARSER::Fail(HRESULT code)
{
    m_LastError = XmlDomErrorText(code).c_str();
    return false;
}

void XML_PARSER::Grab_Node_Informations(XmlDomNode node)
{
    m_AttributeNames.RemoveAll();
    m_AttributeValues.RemoveAll();
    m_CurrentName = Cursor_Name(node);
    m_CurrentTag = node ? "<" + m_CurrentName + ">" : CString();
    m_TextValue = XmlDomText(node).c_str();
    if (!Is_Element_Like(node))
        return;
    for (const XmlDomAttribute& attribute : XmlDomAttributes(node)) {
        m_AttributeNames.Add(CString(attribute.name.c_str()));
        m_AttributeValues.Add(CString(attribute.value.c_str()));
    }
}

bool XML_PARSER::Is_Element_Like(XmlDomNode node)
{
    return node != nullptr && XmlDomNodeTypeOf(node) != XMLDOM_NODE_TEXT;
}

CString XML_PARSER::Cursor_Name(XmlDomNode node)
{
    if (node == nullptr)
        return CString();
    if (!Is_Element_Like(node))
        return kTextName;
    return XmlDomNodeName(node).c_str();
}

bool XML_PARSER::Name_Matches(XmlDomNode node, LPCTSTR name, int flag)
{
    if (name == nullptr)
        return true;
    if (flag)
        return Lowered(Cursor_Name(node)) == Lowered(name);
    return Cursor_Name(node) == name;
}

void XML_PARSER::ChainTag_Add(const CString& tag)
{
    m_ChainTag += tag;
}

void XML_PARSER::ChainTag_Remove(int count)
{
    for (int removed = 0; removed < count; removed++) {
        const int last = m_ChainTag.ReverseFind('<');
        if (last < 0) {
            m_ChainTag.Empty();
            return;
        }
        m_ChainTag = m_ChainTag.Left(last);
    }
}
