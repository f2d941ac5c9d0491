// plughost's XML preset import with arbitrary bytes: malformed input is
// refused as an input error and nothing else escapes; accepted input writes
// out as XML that reads back to the same tree, and the typed reads a
// plug-in makes on it work whatever the texts are.
#include <memory>
#include <string>

#include "FuzzSupport.h"
#include "plughost/HostError.h"
#include "plughost/SettingsDocument.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    const std::string text(reinterpret_cast<const char*>(bytes), size);
    std::unique_ptr<SettingsDocument> document;
    try {
        document = SettingsDocument::FromXmlText(text, "input");
    } catch (const HostError& error) {
        Check(error.Code() == ExitCode::kInput);
        return 0;
    }
    const std::string xml = document->ToXml();
    const std::unique_ptr<SettingsDocument> again = SettingsDocument::FromXmlText(xml, "output");
    Check(again->ToXml() == xml);

    const SettingsElement& root = again->Root();
    for (SettingsNode* child = root.FirstChild(); child; child = child->NextSibling()) {
        const char* name = static_cast<SettingsElement*>(child)->Name().Text();
        uint32_t word = 0;
        int32_t integer = 0;
        float single = 0;
        double precise = 0;
        uint8_t buffer[16];
        root.GetDwordValue(name, &word);
        root.GetIntValue(name, &integer);
        root.GetFloatValue(name, &single);
        root.GetDoubleValue(name, &precise);
        Check(root.GetBinaryValue(name, buffer, sizeof buffer) <= 16);
    }
    return 0;
}
