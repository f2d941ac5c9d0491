// Writes the bundle's Turtle files from the catalog, so that what hosts read
// and what the library does come from one table.
// Usage: lv2_turtle BUNDLE_DIR BINARY_NAME
#include <cstdio>
#include <fstream>
#include <string>

#include "adapters/Catalog.h"
#include "host/HostContract.h"

namespace {

constexpr char kPrefixes[] =
    "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
    "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
    "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
    "@prefix pprops: <http://lv2plug.in/ns/ext/port-props#> .\n"
    "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
    "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n\n";

// A Turtle string literal.
std::string Quoted(const std::string& text) {
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return quoted + '"';
}

std::string Decimal(uint32_t value) {
    return std::to_string(value) + ".0";
}

std::string Unit(ParameterUnit unit) {
    switch (unit) {
        case ParameterUnit::kHertz:
            return "units:hz";
        case ParameterUnit::kPercent:
            return "units:pc";
        case ParameterUnit::kPhaseChangesPerSecond:
            return "[\n            a units:Unit ;\n"
                   "            rdfs:label \"phase changes per second\" ;\n"
                   "            units:symbol \"/s\" ;\n"
                   "            units:render \"%.0f /s\"\n        ]";
        case ParameterUnit::kLevelStep:
        case ParameterUnit::kSwitch:
            break;
    }
    return {};
}

void WriteControl(std::ostream& out, const PluginDescription& plugin, uint32_t index,
                  const ParameterDescription& port) {
    std::string comment = port.description;
    if (port.rightChannel && plugin.channels == 1)
        comment += " Without effect in the mono plug-in.";
    out << "        a lv2:InputPort , lv2:ControlPort ;\n"
        << "        lv2:index " << index << " ;\n"
        << "        lv2:symbol " << Quoted(port.name) << " ;\n"
        << "        lv2:name " << Quoted(port.label) << " ;\n"
        << "        rdfs:comment " << Quoted(comment) << " ;\n"
        << "        lv2:default " << Decimal(port.defaultValue) << " ;\n"
        << "        lv2:minimum " << Decimal(port.minimum) << " ;\n"
        << "        lv2:maximum " << Decimal(port.maximum);
    std::string properties = IsToggle(port) ? "lv2:toggled" : "lv2:integer";
    if (port.logarithmic) properties += " , pprops:logarithmic";
    if (!IsAudible(plugin, port)) properties += " , pprops:notOnGUI";
    out << " ;\n        lv2:portProperty " << properties;
    const std::string unit = Unit(port.unit);
    if (!unit.empty()) out << " ;\n        units:unit " << unit;
    out << "\n";
}

// The switch hosts use to bypass the plug-in without a click.
void WriteEnabled(std::ostream& out, uint32_t index) {
    out << "        a lv2:InputPort , lv2:ControlPort ;\n"
        << "        lv2:index " << index << " ;\n"
        << "        lv2:symbol \"enabled\" ;\n"
        << "        lv2:name \"Enabled\" ;\n"
        << "        rdfs:comment \"Off fades to the unprocessed input, on fades back.\" ;\n"
        << "        lv2:designation lv2:enabled ;\n"
        << "        lv2:default 1 ;\n"
        << "        lv2:minimum 0 ;\n"
        << "        lv2:maximum 1 ;\n"
        << "        lv2:portProperty lv2:toggled\n";
}

void WritePlugin(std::ostream& out, const PluginDescription& plugin) {
    out << kPrefixes << "<" << plugin.uri << ">\n"
        << "    a lv2:Plugin , lv2:" << plugin.pluginClass << " , doap:Project ;\n"
        << "    doap:name " << Quoted(plugin.name) << " ;\n"
        << "    doap:maintainer [ foaf:name " << Quoted(kVendorName) << " ] ;\n"
        << "    rdfs:comment "
        << Quoted(std::string(plugin.comment) +
                  " Control values outside a port's range are clamped to it; NaN gives the "
                  "default.")
        << " ;\n"
        << "    lv2:optionalFeature lv2:hardRTCapable ;\n"
        << "    lv2:port [\n";
    for (uint32_t p = 0; p < plugin.PortCount(); ++p) {
        if (p != 0) out << "    ] , [\n";
        if (p < plugin.FirstControl()) {
            out << "        a lv2:" << (IsAudioInput(plugin, p) ? "InputPort" : "OutputPort")
                << " , lv2:AudioPort ;\n"
                << "        lv2:index " << p << " ;\n"
                << "        lv2:symbol " << Quoted(AudioPortSymbol(plugin, p)) << " ;\n"
                << "        lv2:name " << Quoted(AudioPortName(plugin, p)) << "\n";
        } else {
            WriteControl(out, plugin, p, plugin.controls[p - plugin.FirstControl()]);
        }
    }
    out << "    ] , [\n";
    WriteEnabled(out, plugin.EnabledPort());
    out << "    ] .\n";
}

void WriteManifest(std::ostream& out, const std::string& binary) {
    out << "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
        << "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n";
    for (const PluginDescription& plugin : kPlugins) {
        out << "\n<" << plugin.uri << ">\n"
            << "    a lv2:Plugin ;\n"
            << "    lv2:binary <" << binary << "> ;\n"
            << "    rdfs:seeAlso <" << plugin.turtleFile << "> .\n";
    }
}

template <typename Write>
bool WriteFile(const std::string& path, Write&& write) {
    std::ofstream out(path, std::ios::binary);
    write(out);
    out.close();
    if (!out) std::fprintf(stderr, "lv2_turtle: cannot write %s\n", path.c_str());
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: lv2_turtle BUNDLE_DIR BINARY_NAME\n");
        return 2;
    }
    const std::string bundle = argv[1];
    const std::string binary = argv[2];
    bool ok =
        WriteFile(bundle + "/manifest.ttl", [&](std::ostream& out) { WriteManifest(out, binary); });
    for (const PluginDescription& plugin : kPlugins) {
        ok = WriteFile(bundle + "/" + plugin.turtleFile,
                       [&](std::ostream& out) { WritePlugin(out, plugin); }) &&
             ok;
    }
    return ok ? 0 : 1;
}
