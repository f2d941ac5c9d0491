// Writes the LADSPA library's RDF metadata from the catalog: each plug-in's
// class (so hosts that read it with liblrdf file it under "Highpass" or
// "Modulator"), its name and maker, and the defaults of its controls as the
// plug-in's default setting.
// Usage: ladspa_rdf FILE
#include <cstdio>
#include <fstream>
#include <string>

#include "adapters/Catalog.h"
#include "host/HostContract.h"

namespace {

// Text as XML character data.
std::string Escaped(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        if (c == '&') {
            escaped += "&amp;";
        } else if (c == '<') {
            escaped += "&lt;";
        } else {
            escaped += c;
        }
    }
    return escaped;
}

void WritePlugin(std::ostream& out, const PluginDescription& plugin) {
    const std::string id = std::to_string(plugin.ladspaId);
    out << "  <ladspa:" << plugin.pluginClass << " rdf:about=\"&ladspa;" << id << "\">\n"
        << "    <dc:title>" << Escaped(std::string(plugin.name) + kLadspaSuffix) << "</dc:title>\n"
        << "    <dc:creator>" << Escaped(kVendorName) << "</dc:creator>\n"
        << "    <dc:rights>" << Escaped(kVendorName) << "</dc:rights>\n"
        << "    <ladspa:hasLabel>" << plugin.ladspaLabel << "</ladspa:hasLabel>\n"
        << "    <ladspa:hasSetting>\n"
        << "      <ladspa:Default rdf:about=\"&ladspa;" << id << ".default\">\n"
        << "        <dc:title>Default</dc:title>\n";
    for (uint32_t i = 0; i < plugin.controls.size(); ++i) {
        out << "        <ladspa:hasPortValue>\n"
            << "          <ladspa:PortValue ladspa:forPort=\"&ladspa;" << id << "."
            << plugin.FirstControl() + i << "\" rdf:value=\"" << plugin.controls[i].defaultValue
            << "\"/>\n"
            << "        </ladspa:hasPortValue>\n";
    }
    out << "      </ladspa:Default>\n"
        << "    </ladspa:hasSetting>\n"
        << "  </ladspa:" << plugin.pluginClass << ">\n";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: ladspa_rdf FILE\n");
        return 2;
    }
    std::ofstream out(argv[1], std::ios::binary);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<!DOCTYPE rdf:RDF [\n"
        << "  <!ENTITY rdf \"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
        << "  <!ENTITY rdfs \"http://www.w3.org/2000/01/rdf-schema#\">\n"
        << "  <!ENTITY dc \"http://purl.org/dc/elements/1.1/\">\n"
        << "  <!ENTITY ladspa \"http://ladspa.org/ontology#\">\n"
        << "]>\n"
        << "<rdf:RDF xmlns:rdf=\"&rdf;\" xmlns:rdfs=\"&rdfs;\" xmlns:dc=\"&dc;\" "
           "xmlns:ladspa=\"&ladspa;\">\n";
    for (const PluginDescription& plugin : kPlugins) WritePlugin(out, plugin);
    out << "</rdf:RDF>\n";
    out.close();
    if (!out) {
        std::fprintf(stderr, "ladspa_rdf: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
