// parameter_docs: the parameter sections of the users' guide and of the
// LV2 and LADSPA page (docs/lv2-ladspa.md), written from the effects'
// parameter tables, so that what users read is what the code stores and
// what hosts are told.
//
//     parameter_docs --check FILE...    fails when a file's section differs
//     parameter_docs --update FILE...   rewrites the sections in place
//
// A file ending in .md gets the plug-in hosts' table between the comment
// lines kBeginMark and kEndMark; any other file is the users' guide, whose
// blocks starting "Stored parameters" get each effect's list in turn.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "effects/highpass/HighPassParameters.h"
#include "effects/squeak/SqueakParameters.h"

namespace {

constexpr char kBeginMark[] =
    "<!-- parameters: written by parameter_docs from the effects' tables -->";
constexpr char kEndMark[] = "<!-- end of parameters -->";
constexpr char kGuideHeading[] = "Stored parameters";

struct EffectDocs {
    const char* name;
    std::span<const ParameterDescription> parameters;
};
constexpr EffectDocs kEffects[] = {{"High Pass Filter", kHighPassParameters},
                                   {"Squeak", kSqueakParameters}};

// `text` in lines of at most `width` characters, each after `indent`.
std::string Wrapped(const std::string& text, size_t indent, size_t width) {
    std::istringstream words(text);
    std::string out, line, word;
    while (words >> word) {
        if (!line.empty() && indent + line.size() + 1 + word.size() > width) {
            out += std::string(indent, ' ') + line + "\n";
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
    }
    if (!line.empty()) out += std::string(indent, ' ') + line + "\n";
    return out;
}

std::string DefaultText(const ParameterDescription& p) {
    if (p.rule == DefaultRule::kFollows)
        return std::string("Default: the value of ") + p.follows + ".";
    return "Default " + std::to_string(p.defaultValue) + ".";
}

// The users' guide: every stored word, its default and what it does.
std::string GuideSection(const EffectDocs& effect) {
    std::string out = std::string(kGuideHeading) + " (whole numbers, 0 to 4294967295):\n";
    for (const ParameterDescription& p : effect.parameters) {
        std::string name = std::string("  ") + p.name;
        name.resize(14, ' ');
        const std::string switchText = p.unit == ParameterUnit::kSwitch ? "0 or 1. " : "";
        const std::string text = Wrapped(switchText + p.description + " " + DefaultText(p), 14, 76);
        out += "\n" + name + text.substr(14);
    }
    return out;
}

std::string UnitText(ParameterUnit unit) {
    switch (unit) {
        case ParameterUnit::kLevelStep:
            return " (steps of 1/32767)";
        case ParameterUnit::kPercent:
            return " %";
        case ParameterUnit::kHertz:
            return " Hz";
        case ParameterUnit::kPhaseChangesPerSecond:
            return " /s";
        case ParameterUnit::kSwitch:
            break;
    }
    return "";
}

// The LV2 and LADSPA page: the controls of the plug-ins.
std::string ReadmeSection() {
    std::string out = std::string(kBeginMark) + "\n";
    for (const EffectDocs& effect : kEffects) {
        out += std::string("\n") + effect.name +
               ":\n\n| port | shown as | range | default | what it does |\n|---|---|---|---|---|\n";
        for (const ParameterDescription& p : effect.parameters) {
            const std::string range = p.unit == ParameterUnit::kSwitch
                                          ? "off, on"
                                          : std::to_string(p.minimum) + " to " +
                                                std::to_string(p.maximum) + UnitText(p.unit);
            out += std::string("| `") + p.name + "` | " + p.label + " | " + range + " | " +
                   std::to_string(p.defaultValue) + " | " + p.description + " |\n";
        }
    }
    return out + "\n" + kEndMark + "\n";
}

// The file's text with its sections as they should be; false when a
// section's place cannot be found.
bool Rewritten(const std::string& path, const std::string& text, std::string& result) {
    const bool readme = path.size() > 3 && path.compare(path.size() - 3, 3, ".md") == 0;
    if (readme) {
        const size_t begin = text.find(kBeginMark);
        const size_t end = text.find(kEndMark, begin == std::string::npos ? 0 : begin);
        if (begin == std::string::npos || end == std::string::npos) return false;
        const size_t after = text.find('\n', end);
        result = text.substr(0, begin) + ReadmeSection() +
                 (after == std::string::npos ? "" : text.substr(after + 1));
        return true;
    }
    // The guide: from a line starting kGuideHeading to the last indented
    // or empty line after it, one block per effect in order.
    result.clear();
    size_t at = 0;
    for (const EffectDocs& effect : kEffects) {
        size_t begin = text.find(std::string("\n") + kGuideHeading, at);
        if (begin == std::string::npos) return false;
        ++begin;
        size_t end = text.find('\n', begin) + 1;
        for (size_t next; end < text.size() && (text[end] == ' ' || text[end] == '\n' ||
                                                text.compare(end, 2, "\r\n") == 0);
             end = next) {
            next = text.find('\n', end);
            next = next == std::string::npos ? text.size() : next + 1;
        }
        // The blank lines before the next paragraph stay.
        while (end > begin && text[end - 1] == '\n' && text[end - 2] == '\n') --end;
        result += text.substr(at, begin - at) + GuideSection(effect);
        at = end;
    }
    result += text.substr(at);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const bool update = argc > 1 && std::strcmp(argv[1], "--update") == 0;
    if (argc < 3 || (!update && std::strcmp(argv[1], "--check") != 0)) {
        std::fprintf(stderr, "usage: parameter_docs --check|--update FILE...\n");
        return 2;
    }
    int status = 0;
    for (int i = 2; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)), {});
        std::string result;
        if (!in || !Rewritten(argv[i], text, result)) {
            std::fprintf(stderr, "parameter_docs: %s: no parameter section found\n", argv[i]);
            status = 1;
        } else if (result != text && !update) {
            std::fprintf(stderr,
                         "parameter_docs: %s: the parameter section differs from the effects' "
                         "tables (parameter_docs --update rewrites it); it should read:\n%s",
                         argv[i], result.c_str());
            status = 1;
        } else if (result != text) {
            std::ofstream out(argv[i], std::ios::binary);
            out << result;
            if (!out.flush()) {
                std::fprintf(stderr, "parameter_docs: cannot write %s\n", argv[i]);
                status = 1;
            }
        }
    }
    return status;
}
