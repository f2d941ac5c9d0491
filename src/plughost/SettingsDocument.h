// A settings tree owned by the host: what it hands a plug-in's
// InitializeXml and SavePresetXml, and what a preset file in XML holds.
//
// An XML element tree maps onto the settings tree one to one: elements with
// their attributes in order, and their child elements. The natural preset
// file is
//     <Preset plugin="High Pass Filter"><CutOffFreq Value="250"/></Preset>
#pragma once

#include <memory>
#include <string>

#include "persist/tree/SettingsElement.h"

class SettingsDocument {
  public:
    // A document with one empty element named `rootName`.
    explicit SettingsDocument(const char* rootName = "Preset");
    ~SettingsDocument();
    SettingsDocument(const SettingsDocument&) = delete;
    SettingsDocument& operator=(const SettingsDocument&) = delete;

    // Reads an XML preset file of up to 1 MiB, whose elements have up to
    // 256 attributes and nest up to 64 deep. Throws HostError(kInput) naming
    // the file and, for malformed XML, the line and column.
    static std::unique_ptr<SettingsDocument> FromXml(const std::string& path);
    static std::unique_ptr<SettingsDocument> FromXmlText(const std::string& text,
                                                         const std::string& origin);

    // The document element, the node a plug-in reads from or writes into.
    SettingsElement& Root() const { return *root_; }

    std::string ToXml() const;
    // Written as an output (OutputFile.h). Throws HostError(kOutput).
    void SaveXml(const std::string& path) const;

  private:
    SettingsNode* document_;  // holds the document element
    SettingsElement* root_;
};
