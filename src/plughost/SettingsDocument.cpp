#include "plughost/SettingsDocument.h"

#include <fstream>
#include <memory>
#include <pugixml.hpp>
#include <sstream>

#include "plughost/HostError.h"
#include "plughost/OutputFile.h"

namespace {

// Presets are two levels deep; the tree code recurses once per level, so a
// hostile file must not nest without end.
constexpr int kMaxDepth = 64;
// A preset is a few hundred bytes. Setting an attribute looks for one of the
// same name first, so an element's attributes are limited too: the work
// stays linear in the file's size.
constexpr size_t kMostBytes = size_t{1} << 20;
constexpr size_t kMostAttributes = 256;

void Import(const pugi::xml_node& from, SettingsElement& to, int depth, const std::string& origin) {
    if (depth > kMaxDepth)
        throw HostError(ExitCode::kInput, origin + ": elements nested more than " +
                                              std::to_string(kMaxDepth) + " deep");
    size_t attributes = 0;
    for (const pugi::xml_attribute& attribute : from.attributes()) {
        if (++attributes > kMostAttributes)
            throw HostError(ExitCode::kInput, origin + ": an element with more than " +
                                                  std::to_string(kMostAttributes) + " attributes");
        to.SetAttribute(attribute.name(), attribute.value());
    }
    for (const pugi::xml_node& child : from.children())
        if (child.type() == pugi::node_element)
            Import(child, *to.CreateChildElement(child.name()), depth + 1, origin);
}

// Every child of a settings element is an element itself.
void Export(const SettingsElement& from, pugi::xml_node to) {
    for (const SettingsAttribute& attribute : from.Attributes())
        to.append_attribute(attribute.name.Text()) = attribute.value.Text();
    for (SettingsNode* child = from.FirstChild(); child; child = child->NextSibling()) {
        const auto& element = *static_cast<const SettingsElement*>(child);
        Export(element, to.append_child(element.Name().Text()));
    }
}

std::string LineAndColumn(const std::string& text, ptrdiff_t offset) {
    size_t line = 1, column = 1;
    for (ptrdiff_t i = 0; i < offset && i < static_cast<ptrdiff_t>(text.size()); ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

}  // namespace

SettingsDocument::SettingsDocument(const char* rootName)
    : document_(SettingsNode::Create()), root_(document_->CreateChildElement(rootName)) {}

SettingsDocument::~SettingsDocument() {
    SettingsNode::Destroy(document_);
}

std::unique_ptr<SettingsDocument> SettingsDocument::FromXml(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string text(kMostBytes + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (in.bad() || (!in && !in.eof()) || in.gcount() == 0)
        throw HostError(ExitCode::kInput, path + ": cannot read the preset file");
    if (static_cast<size_t>(in.gcount()) > kMostBytes)
        throw HostError(ExitCode::kInput,
                        path + ": longer than " + std::to_string(kMostBytes) + " bytes");
    text.resize(static_cast<size_t>(in.gcount()));
    return FromXmlText(text, path);
}

std::unique_ptr<SettingsDocument> SettingsDocument::FromXmlText(const std::string& text,
                                                                const std::string& origin) {
    pugi::xml_document xml;
    const pugi::xml_parse_result parsed = xml.load_buffer(text.data(), text.size());
    if (!parsed)
        throw HostError(ExitCode::kInput, origin + ": malformed XML at " +
                                              LineAndColumn(text, parsed.offset) + ": " +
                                              parsed.description());
    const pugi::xml_node root = xml.document_element();
    if (!root) throw HostError(ExitCode::kInput, origin + ": no XML element");
    auto document = std::make_unique<SettingsDocument>(root.name());
    Import(root, document->Root(), 1, origin);
    return document;
}

std::string SettingsDocument::ToXml() const {
    pugi::xml_document xml;
    Export(*root_, xml.append_child(root_->Name().Text()));
    std::ostringstream out;
    xml.save(out, "  ");
    return out.str();
}

void SettingsDocument::SaveXml(const std::string& path) const {
    WriteOutputFile(path, ToXml());
}
