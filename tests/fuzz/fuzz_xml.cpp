// The XML cursor loading arbitrary bytes as a document file, then walking
// down the first branch and along its siblings.
#include "FuzzInput.h"
#include "XmlParser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = fuzz::WriteScratchFile(data, size, ".xml");
    XML_PARSER parser;
    if (!parser.Load_XML_Document(path.c_str()))
        return 0;
    parser.Go_to_Root();
    while (parser.Go_to_Child()) {
        while (parser.Go_to_Forward())
            parser.Is_Having_Attribute(nullptr);
    }
    parser.Get_XML();
    return 0;
}
