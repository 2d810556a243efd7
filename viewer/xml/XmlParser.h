// A cursor over an XML document: loads a file or a text, walks every node
// once while loading, then moves a current node between children, siblings
// and ancestors by name, reads the node and edits the document.
#pragma once

#include "base/CString.h"
#include "base/CStringArray.h"
#include "XmlDom.h"

class XML_PARSER {
public:
    XML_PARSER();
    virtual ~XML_PARSER();

    XML_PARSER(const XML_PARSER&) = delete;
    XML_PARSER& operator=(const XML_PARSER&) = delete;

    bool Load_XML_Document(LPCTSTR path);
    bool Load_XML(CString text);
    bool Reset_XML_Document();
    // Called once per node, in document order, while a document loads.
    virtual void Parse_XML_Document();
    bool Save_XML_Document(LPCTSTR path);
    CString Get_XML();
    const CString& Get_LastError();

    const CString& Get_CurrentTag();
    const CString& Get_CurrentName();
    const CString& Get_TextValue();
    bool Is_Tag(LPCTSTR tag);
    bool Is_TextNode();
    bool Is_Root();
    bool Is_Child_of(LPCTSTR tag);
    bool Is_Having_Attribute(LPCTSTR name, int flag = 0);
    const CString& Get_Attribute_Value();
    const CString& Get_Attribute_Name();

    // A non-zero flag compares names lower-cased; a null name takes any node.
    bool Go_to_Root();
    bool Go_to_Child(LPCTSTR name = nullptr, int flag = 0);
    bool Go_to_Forward(LPCTSTR name = nullptr, int flag = 0);
    bool Go_to_Back(LPCTSTR name = nullptr, int flag = 0);
    bool Go_to_Parent(LPCTSTR name = nullptr, int flag = 0);

    bool Add_LastChildNode(LPCTSTR name);
    bool Add_FirstChildNode(LPCTSTR name);
    bool Add_NodeBefore(LPCTSTR name);
    bool Add_NodeAfter(LPCTSTR name);
    bool Set_Attribute(LPCTSTR name, LPCTSTR value);
    bool Remove_Attribute(LPCTSTR name);
    bool Set_Text(LPCTSTR text);
    bool Remove();
    bool RemoveChild(LPCTSTR name);

private:
    bool Init_Document();
    bool Finish_Load(bool loaded);
    void Parse_Objects(XmlDomNode node);
    void Grab_Node_Informations(XmlDomNode node);
    static bool Is_Element_Like(XmlDomNode node);
    static CString Cursor_Name(XmlDomNode node);
    static bool Name_Matches(XmlDomNode node, LPCTSTR name, int flag);
    bool Go_to_Sibling(XmlDomNode (*step)(XmlDomNode), LPCTSTR name, int flag);
    bool Add_ChildNode(LPCTSTR name, bool first);
    bool Add_SiblingNode(LPCTSTR name, bool before);
    XmlDomNode New_Element(LPCTSTR name);
    bool Fail(HRESULT code);
    void ChainTag_Add(const CString& tag);
    void ChainTag_Remove(int count);

    CString m_CurrentTag;
    CString m_CurrentName;
    CString m_ChainTag;
    CString m_TextValue;
    XmlDomDocument* m_pDocument;
    XmlDomNode m_pRoot;
    XmlDomNode m_pCurrentNode;
    CString m_LastError;
    CString m_DefaultText;
    CStringArray m_AttributeNames;
    CStringArray m_AttributeValues;
    int m_CurrentAttribute;
};
