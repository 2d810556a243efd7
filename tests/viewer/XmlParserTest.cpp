#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "xml/XmlParser.h"

namespace {

const char kDicomLike[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<file-format>\n"
    "  <meta-header xfer=\"1.2.840.10008.1.2.1\"/>\n"
    "  <data-set>\n"
    "    <sequence tag=\"0004,1220\" vr=\"SQ\">\n"
    "      <item card=\"2\">\n"
    "        <element tag=\"0004,1430\" vr=\"CS\">  IMAGE  </element>\n"
    "        <element tag=\"0004,1500\" vr=\"CS\">IMAGES\\IM0001</element>\n"
    "      </item>\n"
    "      <item card=\"1\">\n"
    "        <element tag=\"0004,1430\" vr=\"CS\" name=\"DirectoryRecordType\">SERIES</element>\n"
    "      </item>\n"
    "    </sequence>\n"
    "  </data-set>\n"
    "</file-format>\n";

std::string TempPath(const std::string& name)
{
    return testing::TempDir() + "xml_parser_" + name;
}

void WriteFile(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class NodeCounter : public XML_PARSER {
public:
    void Parse_XML_Document() override
    {
        nodes++;
        if (Is_TextNode())
            textNodes++;
        if (Is_Tag("<element>") && Is_Child_of("<item>"))
            itemElements++;
    }
    int nodes = 0;
    int textNodes = 0;
    int itemElements = 0;
};

class XmlParserTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(parser.Load_XML(kDicomLike)); }

    void GoToLastItem()
    {
        ASSERT_TRUE(parser.Go_to_Child("data-set", 0));
        ASSERT_TRUE(parser.Go_to_Child("sequence", 0));
        ASSERT_TRUE(parser.Go_to_Child("item", 0));
        ASSERT_TRUE(parser.Go_to_Forward("item", 0));
    }

    XML_PARSER parser;
};

TEST_F(XmlParserTest, ChildAndParentMovesKeepTheChainAndNamesMatchByFlag)
{
    EXPECT_STREQ(parser.Get_CurrentTag(), "<file-format>");
    EXPECT_TRUE(parser.Is_Root());
    ASSERT_TRUE(parser.Go_to_Child("data-set", 0));
    EXPECT_TRUE(parser.Is_Child_of("<file-format>"));
    EXPECT_FALSE(parser.Is_Root());
    ASSERT_TRUE(parser.Go_to_Child("sequence", 0));
    ASSERT_TRUE(parser.Go_to_Child("item", 0));
    ASSERT_TRUE(parser.Go_to_Child("element", 0));
    EXPECT_TRUE(parser.Is_Child_of("<item>"));
    EXPECT_FALSE(parser.Is_Child_of("<sequence>"));

    ASSERT_TRUE(parser.Go_to_Parent("data-set", 0));
    EXPECT_STREQ(parser.Get_CurrentName(), "data-set");
    EXPECT_TRUE(parser.Is_Child_of("<file-format>"));
    ASSERT_TRUE(parser.Go_to_Parent(nullptr, 0));
    EXPECT_STREQ(parser.Get_CurrentName(), "file-format");
    EXPECT_TRUE(parser.Is_Root());
    EXPECT_FALSE(parser.Go_to_Parent(nullptr, 0));

    // The name flag lower-cases both sides.
    EXPECT_FALSE(parser.Go_to_Child("Data-Set", 0));
    EXPECT_STREQ(parser.Get_CurrentName(), "file-format");
    EXPECT_TRUE(parser.Is_Root());
    ASSERT_TRUE(parser.Go_to_Child("Data-Set", 1));
    EXPECT_STREQ(parser.Get_CurrentName(), "data-set");
}

TEST_F(XmlParserTest, FailedMovesLeaveTheCursorWhereItWas)
{
    GoToLastItem();
    EXPECT_FALSE(parser.Go_to_Forward("item", 0));
    EXPECT_STREQ(parser.Get_CurrentTag(), "<item>");
    EXPECT_STREQ(parser.Get_TextValue(), "SERIES");
    ASSERT_TRUE(parser.Is_Having_Attribute("card", 0));
    EXPECT_STREQ(parser.Get_Attribute_Value(), "1");

    ASSERT_TRUE(parser.Go_to_Child("element", 0));
    const CString chain = "<file-format><data-set><sequence><item>";
    EXPECT_TRUE(parser.Is_Child_of(chain));
    EXPECT_FALSE(parser.Go_to_Parent("nothing", 0));
    EXPECT_STREQ(parser.Get_CurrentName(), "element");
    EXPECT_TRUE(parser.Is_Child_of(chain));
    ASSERT_TRUE(parser.Is_Having_Attribute("name", 0));
    EXPECT_STREQ(parser.Get_Attribute_Value(), "DirectoryRecordType");

    ASSERT_TRUE(parser.Go_to_Back("item", 0) == false);
    ASSERT_TRUE(parser.Go_to_Parent("item", 0));
    ASSERT_TRUE(parser.Go_to_Back("item", 0));
    EXPECT_TRUE(parser.Is_Having_Attribute("card", 0));
    EXPECT_STREQ(parser.Get_Attribute_Value(), "2");
}

TEST_F(XmlParserTest, AttributesAndTheirErrors)
{
    EXPECT_FALSE(parser.Is_Having_Attribute("tag", 0));
    EXPECT_STREQ(parser.Get_Attribute_Value(), "Can't Retrieve an Attribute");
    EXPECT_STREQ(parser.Get_LastError(), "Can't Retrieve an Attribute");
    EXPECT_STREQ(parser.Get_Attribute_Name(), "Can't Retrieve an Attribute");

    ASSERT_TRUE(parser.Go_to_Child("data-set", 0));
    ASSERT_TRUE(parser.Go_to_Child("sequence", 0));
    EXPECT_FALSE(parser.Is_Having_Attribute("VR", 0));
    ASSERT_TRUE(parser.Is_Having_Attribute("VR", 1));
    EXPECT_STREQ(parser.Get_Attribute_Name(), "vr");
    EXPECT_STREQ(parser.Get_Attribute_Value(), "SQ");
    EXPECT_STREQ(parser.Get_LastError(), "Success");

    // Found on an element with three attributes, the index outlives the move
    // to an element with two: it must not read past them.
    ASSERT_TRUE(parser.Go_to_Child("item", 0));
    ASSERT_TRUE(parser.Go_to_Forward("item", 0));
    ASSERT_TRUE(parser.Go_to_Child("element", 0));
    ASSERT_TRUE(parser.Is_Having_Attribute("name", 0));
    ASSERT_TRUE(parser.Go_to_Parent("item", 0));
    ASSERT_TRUE(parser.Go_to_Back("item", 0));
    ASSERT_TRUE(parser.Go_to_Child("element", 0));
    EXPECT_STREQ(parser.Get_Attribute_Value(), "Can't Retrieve an Attribute");
}

TEST_F(XmlParserTest, TextIsTrimmedAndCoversDescendants)
{
    ASSERT_TRUE(parser.Go_to_Child("data-set", 0));
    ASSERT_TRUE(parser.Go_to_Child("sequence", 0));
    ASSERT_TRUE(parser.Go_to_Child("item", 0));
    EXPECT_STREQ(parser.Get_TextValue(), "IMAGE  IMAGES\\IM0001");
    ASSERT_TRUE(parser.Go_to_Child("element", 0));
    EXPECT_STREQ(parser.Get_TextValue(), "IMAGE");
    ASSERT_TRUE(parser.Go_to_Child(nullptr, 0));
    EXPECT_TRUE(parser.Is_TextNode());
    EXPECT_STREQ(parser.Get_CurrentName(), "#TEXT#");
    EXPECT_STREQ(parser.Get_TextValue(), "IMAGE");
    EXPECT_FALSE(parser.Is_Having_Attribute("tag", 0));
    // A text node is not moved from.
    EXPECT_FALSE(parser.Go_to_Forward(nullptr, 0));
    EXPECT_FALSE(parser.Go_to_Parent(nullptr, 0));
    EXPECT_TRUE(parser.Is_TextNode());
}

TEST_F(XmlParserTest, LoadWalkVisitsEveryNodeOnce)
{
    NodeCounter counter;
    ASSERT_TRUE(counter.Load_XML(kDicomLike));
    // 9 elements and 3 texts; white space between elements is no node.
    EXPECT_EQ(counter.nodes, 12);
    EXPECT_EQ(counter.textNodes, 3);
    EXPECT_EQ(counter.itemElements, 3);
    EXPECT_TRUE(counter.Is_Root());
    ASSERT_TRUE(counter.Load_XML(kDicomLike));
    EXPECT_EQ(counter.nodes, 24);
}

TEST(XmlParser, NodeKindsAndNames)
{
    XML_PARSER parser;
    ASSERT_TRUE(parser.Load_XML("<a><!-- note --><?pi data?><![CDATA[ x<y ]]>mixed <b/> tail</a>"));
    ASSERT_TRUE(parser.Go_to_Child(nullptr, 0));
    EXPECT_STREQ(parser.Get_CurrentTag(), "<#comment>");
    EXPECT_STREQ(parser.Get_TextValue(), "note");
    ASSERT_TRUE(parser.Go_to_Forward(nullptr, 0));
    EXPECT_STREQ(parser.Get_CurrentTag(), "<pi>");
    ASSERT_TRUE(parser.Go_to_Forward(nullptr, 0));
    EXPECT_STREQ(parser.Get_CurrentName(), "#cdata-section");
    EXPECT_STREQ(parser.Get_TextValue(), "x<y");
    ASSERT_TRUE(parser.Go_to_Parent(nullptr, 0));
    EXPECT_STREQ(parser.Get_TextValue(), "x<y mixed  tail");

    // A text node answers to the cursor's name for it, not the DOM's.
    EXPECT_FALSE(parser.Go_to_Child("#text", 0));
    ASSERT_TRUE(parser.Go_to_Child("#TEXT#", 0));
    EXPECT_STREQ(parser.Get_TextValue(), "mixed");
    EXPECT_TRUE(parser.Is_Child_of("<a>"));
}

TEST(XmlParser, EntitiesAndUtf8Text)
{
    XML_PARSER parser;
    ASSERT_TRUE(parser.Load_XML("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"
                                "<r v=\"a&amp;b &#x4E2D;\">\xE6\xB5\x8F\xE8\xA7\x88 &lt;ok&gt;</r>"));
    EXPECT_STREQ(parser.Get_TextValue(), "\xE6\xB5\x8F\xE8\xA7\x88 <ok>");
    ASSERT_TRUE(parser.Is_Having_Attribute("v", 0));
    EXPECT_STREQ(parser.Get_Attribute_Value(), "a&b \xE4\xB8\xAD");

    // A file's declared encoding does apply.
    const std::string latin1 = TempPath("latin1.xml");
    WriteFile(latin1, "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r>M\xFCller</r>");
    ASSERT_TRUE(parser.Load_XML_Document(latin1.c_str()));
    EXPECT_STREQ(parser.Get_TextValue(), "M\xC3\xBCller");
    std::remove(latin1.c_str());

    // Stray bytes in a document said (or taken) to be UTF-8 are replaced one
    // by one; the valid sequences around them stay, and so do structural errors.
    const std::string stray = TempPath("stray.xml");
    for (const char* prolog : {"<?xml version=\"1.0\" encoding=\"utf-8\"?>", ""}) {
        WriteFile(stray, std::string(prolog) + "<r a=\"\xC9\">M\xDC\xC4IA \xE6\xB5\x8F\xE6\xB5</r>");
        ASSERT_TRUE(parser.Load_XML_Document(stray.c_str())) << prolog;
        EXPECT_STREQ(parser.Get_TextValue(), "M\xEF\xBF\xBD\xEF\xBF\xBDIA \xE6\xB5\x8F\xEF\xBF\xBD\xEF\xBF\xBD");
        ASSERT_TRUE(parser.Is_Having_Attribute("a", 0));
        EXPECT_STREQ(parser.Get_Attribute_Value(), "\xEF\xBF\xBD");
    }
    WriteFile(stray, "<r>M\xDC""DIA</a>");
    EXPECT_FALSE(parser.Load_XML_Document(stray.c_str()));
    std::remove(stray.c_str());
}

TEST(XmlParser, FailedLoadsLeaveAnEmptyDocument)
{
    XML_PARSER parser;
    EXPECT_FALSE(parser.Go_to_Root());
    EXPECT_FALSE(parser.Go_to_Child(nullptr, 0));
    EXPECT_STREQ(parser.Get_XML(), "");

    ASSERT_TRUE(parser.Load_XML("<a><b/></a>"));
    EXPECT_FALSE(parser.Load_XML_Document(TempPath("does-not-exist.xml").c_str()));
    EXPECT_STREQ(parser.Get_LastError(), "XML Document FAILED to load");
    EXPECT_STREQ(parser.Get_XML(), "");
    EXPECT_STREQ(parser.Get_CurrentName(), "");
    EXPECT_FALSE(parser.Go_to_Root());
    EXPECT_FALSE(parser.Go_to_Child("b", 0));

    for (const char* bad : {"", "<?xml version=\"1.0\" standalone=\"yes\" ?>", "<a><b></a>", "<a>", "text"}) {
        EXPECT_FALSE(parser.Load_XML(bad)) << bad;
        EXPECT_STREQ(parser.Get_LastError(), "XML Document FAILED to load");
    }
    EXPECT_FALSE(parser.Load_XML_Document(testing::TempDir().c_str())) << "a folder";
    EXPECT_FALSE(parser.Load_XML_Document(nullptr));

    // What a converter that gave up or was cut short leaves behind.
    const std::string truncated = TempPath("truncated.xml");
    for (const size_t length : {size_t(0), size_t(200)}) {
        WriteFile(truncated, std::string(kDicomLike).substr(0, length));
        EXPECT_FALSE(parser.Load_XML_Document(truncated.c_str())) << length;
    }
    std::remove(truncated.c_str());
}

TEST(XmlParser, HostileDocumentsAreRefused)
{
    XML_PARSER parser;
    std::string deep;
    for (int level = 0; level < 20000; level++)
        deep += "<d>";
    for (int level = 0; level < 20000; level++)
        deep += "</d>";
    EXPECT_FALSE(parser.Load_XML(CString(deep.c_str())));

    const std::string secret = TempPath("secret.txt");
    WriteFile(secret, "SECRET");
    const std::string external = "<!DOCTYPE r [<!ENTITY e SYSTEM \"file://" + secret + "\">]><r>&e;</r>";
    ASSERT_TRUE(parser.Load_XML(CString(external.c_str())));
    EXPECT_EQ(std::string(parser.Get_TextValue()).find("SECRET"), std::string::npos);
    EXPECT_EQ(std::string(parser.Get_XML()).find("SECRET"), std::string::npos);
    std::remove(secret.c_str());

    std::string laughs = "<!DOCTYPE r [<!ENTITY a0 \"aaaaaaaaaa\">";
    for (int level = 1; level <= 10; level++) {
        laughs += "<!ENTITY a" + std::to_string(level) + " \"";
        for (int i = 0; i < 10; i++)
            laughs += "&a" + std::to_string(level - 1) + ";";
        laughs += "\">";
    }
    laughs += "]><r>&a10;</r>";
    EXPECT_FALSE(parser.Load_XML(CString(laughs.c_str())));
}

TEST(XmlParser, PathsAreFileNamesNotUris)
{
    const std::string path = TempPath("name%20with%41.xml");
    WriteFile(path, "<x>1</x>");
    XML_PARSER parser;
    ASSERT_TRUE(parser.Load_XML_Document(path.c_str()));
    EXPECT_STREQ(parser.Get_TextValue(), "1");
    ASSERT_TRUE(parser.Set_Text("2"));
    ASSERT_TRUE(parser.Save_XML_Document(path.c_str()));
    EXPECT_NE(ReadFile(path).find("<x>2</x>"), std::string::npos);
    std::remove(path.c_str());
}

TEST(XmlParser, EditingBuildsADocumentThatReadsBack)
{
    XML_PARSER parser;
    ASSERT_TRUE(parser.Reset_XML_Document());
    ASSERT_TRUE(parser.Add_LastChildNode("root"));
    EXPECT_TRUE(parser.Is_Root());
    EXPECT_FALSE(parser.Add_NodeAfter("second-root"));
    EXPECT_STREQ(parser.Get_CurrentName(), "root");
    ASSERT_TRUE(parser.Add_LastChildNode("b"));
    EXPECT_TRUE(parser.Is_Child_of("<root>"));
    ASSERT_TRUE(parser.Add_NodeBefore("a"));
    ASSERT_TRUE(parser.Add_NodeAfter("c"));
    EXPECT_TRUE(parser.Is_Child_of("<root>"));
    ASSERT_TRUE(parser.Set_Attribute("k", "1 & \"2\""));
    ASSERT_TRUE(parser.Set_Attribute("k", "3"));
    ASSERT_TRUE(parser.Set_Attribute("z", "4"));
    ASSERT_TRUE(parser.Set_Text(" <&amp;> "));
    EXPECT_FALSE(parser.Set_Attribute("bad name", "x"));
    EXPECT_FALSE(parser.Add_LastChildNode("1bad"));
    EXPECT_STREQ(parser.Get_CurrentName(), "c");
    ASSERT_TRUE(parser.Remove_Attribute("z"));
    EXPECT_FALSE(parser.Is_Having_Attribute("z", 0));
    ASSERT_TRUE(parser.Go_to_Parent(nullptr, 0));
    ASSERT_TRUE(parser.Add_FirstChildNode("first"));

    const std::string path = TempPath("edited.xml");
    ASSERT_TRUE(parser.Save_XML_Document(path.c_str()));
    XML_PARSER reread;
    ASSERT_TRUE(reread.Load_XML_Document(path.c_str()));
    std::remove(path.c_str());
    EXPECT_STREQ(reread.Get_XML(), parser.Get_XML());
    const char* order[] = {"first", "a", "c", "b"};
    ASSERT_TRUE(reread.Go_to_Child(nullptr, 0));
    for (const char* name : order) {
        EXPECT_STREQ(reread.Get_CurrentName(), name);
        reread.Go_to_Forward(nullptr, 0);
    }
    ASSERT_TRUE(reread.Go_to_Back("c", 0));
    EXPECT_STREQ(reread.Get_TextValue(), "<&amp;>");
    ASSERT_TRUE(reread.Is_Having_Attribute("k", 0));
    EXPECT_STREQ(reread.Get_Attribute_Value(), "3");
}

TEST(XmlParser, RemovingNodes)
{
    XML_PARSER parser;
    ASSERT_TRUE(parser.Load_XML("<r><a><b/></a><c/></r>"));
    EXPECT_FALSE(parser.RemoveChild("missing"));
    ASSERT_TRUE(parser.Go_to_Child("a", 0));
    ASSERT_TRUE(parser.RemoveChild("b"));
    EXPECT_STREQ(parser.Get_CurrentName(), "a");
    EXPECT_TRUE(parser.Is_Child_of("<r>"));
    ASSERT_TRUE(parser.Remove());
    EXPECT_STREQ(parser.Get_CurrentName(), "r");
    EXPECT_TRUE(parser.Is_Root());
    EXPECT_STREQ(parser.Get_TextValue(), "");
    ASSERT_TRUE(parser.Go_to_Child(nullptr, 0));
    EXPECT_STREQ(parser.Get_CurrentName(), "c");
    ASSERT_TRUE(parser.Go_to_Root());
    ASSERT_TRUE(parser.Remove());
    EXPECT_STREQ(parser.Get_XML(), "");
    EXPECT_FALSE(parser.Remove());
    EXPECT_FALSE(parser.Go_to_Root());
    ASSERT_TRUE(parser.Add_FirstChildNode("fresh"));
    EXPECT_TRUE(parser.Is_Root());
    EXPECT_NE(std::string(parser.Get_XML()).find("<fresh/>"), std::string::npos);
}

TEST(XmlParser, SaveFailureIsReported)
{
    XML_PARSER parser;
    ASSERT_TRUE(parser.Load_XML("<r/>"));
    EXPECT_FALSE(parser.Save_XML_Document((TempPath("no-such-folder") + "/x.xml").c_str()));
    EXPECT_STRNE(parser.Get_LastError(), "Success");
}

TEST(XmlParser, ComponentErrorTexts)
{
    EXPECT_EQ(XmlDomErrorText(static_cast<HRESULT>(0x80040201)), "IDispatch error #1");
    EXPECT_EQ(XmlDomErrorText(static_cast<HRESULT>(0x8004FFFF)), "IDispatch error #65023");
    EXPECT_EQ(XmlDomErrorText(static_cast<HRESULT>(0x80040200)), "Unknown error 0x80040200");
    EXPECT_EQ(XmlDomErrorText(E_OUTOFMEMORY), "Unknown error 0x8007000E");
}

} // namespace
