#include "persist/profile/ProfileText.h"

#include <algorithm>

#include "persist/common/AsciiCase.h"

namespace {

bool IsBlank(char c) {
    return (c >= 0x09 && c <= 0x0d) || c == 0x1a || c == ' ';
}

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kLineBreak = "\r\n";

// One line as an edit writes it.
std::string EntryLine(std::string_view key, std::string_view value) {
    std::string line;
    line.reserve(key.size() + value.size() + 3);
    line.append(key).append("=").append(value).append(kLineBreak);
    return line;
}

}  // namespace

std::string_view ProfileText::TrimLeft(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    return text;
}

std::string_view ProfileText::Trim(std::string_view text) {
    text = TrimLeft(text);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

ProfileText::ProfileText(std::string bytes) : bytes_(std::move(bytes)) {
    Parse();
}

void ProfileText::Parse() {
    lines_.clear();
    const std::string_view all(bytes_);
    // Every call of the profile functions parses the whole file: one
    // allocation for its lines, not one per doubling (CR-only files grow).
    lines_.reserve(static_cast<size_t>(std::count(all.begin(), all.end(), '\n')) + 1);
    size_t start = 0;
    while (start < all.size()) {
        size_t end = all.find_first_of("\r\n", start);
        size_t next = end;
        if (end == std::string_view::npos) {
            end = next = all.size();
        } else {
            next = end + (all[end] == '\r' && end + 1 < all.size() && all[end + 1] == '\n' ? 2 : 1);
        }
        std::string_view content = all.substr(start, end - start);
        // A byte-order mark says "UTF-8"; it is not part of the first line.
        if (start == 0 && content.starts_with(kUtf8Mark)) content.remove_prefix(kUtf8Mark.size());
        content = Trim(content);

        Line line{start, next, end != next, Kind::kBlank, {}, false, {}};
        const size_t close = content.rfind(']');
        if (content.empty()) {
            // stays blank
        } else if (content.front() == '[' && close != std::string_view::npos) {
            line.kind = Kind::kSection;
            line.name = Trim(content.substr(1, close - 1));
        } else {
            line.kind = Kind::kEntry;
            const size_t equals = content.find('=');
            line.name = Trim(content.substr(0, equals));
            if (equals != std::string_view::npos) {
                line.hasValue = true;
                line.value = TrimLeft(content.substr(equals + 1));
            }
        }
        lines_.push_back(line);
        start = next;
    }
}

size_t ProfileText::FindSection(std::string_view name, size_t from) const {
    for (size_t i = from; i < lines_.size(); ++i) {
        if (lines_[i].kind == Kind::kSection && EqualIgnoringAsciiCase(lines_[i].name, name))
            return i;
    }
    return kNone;
}

size_t ProfileText::SectionEnd(size_t header) const {
    size_t i = header + 1;
    while (i < lines_.size() && lines_[i].kind != Kind::kSection) ++i;
    return i;
}

size_t ProfileText::FindEntry(size_t header, std::string_view key) const {
    const size_t end = SectionEnd(header);
    for (size_t i = header + 1; i < end; ++i) {
        if (lines_[i].kind == Kind::kEntry && EqualIgnoringAsciiCase(lines_[i].name, key)) return i;
    }
    return kNone;
}

std::optional<std::string_view> ProfileText::Find(std::string_view section,
                                                  std::string_view key) const {
    const size_t header = FindSection(section);
    if (header == kNone) return std::nullopt;
    const size_t entry = FindEntry(header, key);
    if (entry == kNone || !lines_[entry].hasValue) return std::nullopt;
    return lines_[entry].value;
}

std::vector<std::string_view> ProfileText::SectionNames() const {
    std::vector<std::string_view> names;
    for (const Line& line : lines_) {
        if (line.kind == Kind::kSection && !line.name.empty()) names.push_back(line.name);
    }
    return names;
}

std::vector<std::string_view> ProfileText::KeyNames(std::string_view section) const {
    std::vector<std::string_view> names;
    const size_t header = FindSection(section);
    if (header == kNone) return names;
    const size_t end = SectionEnd(header);
    for (size_t i = header + 1; i < end; ++i) {
        const Line& line = lines_[i];
        if (line.kind == Kind::kEntry && line.hasValue && !line.name.empty() &&
            line.name.front() != ';')
            names.push_back(line.name);
    }
    return names;
}

bool ProfileText::Set(std::string_view section, std::string_view key, std::string_view newSection,
                      std::string_view newKey, std::string_view value) {
    std::string added;
    const size_t header = FindSection(section);
    if (header == kNone) {
        if (!lines_.empty() && !lines_.back().broken) added = kLineBreak;
        added.append("[").append(newSection).append("]").append(kLineBreak);
        added += EntryLine(newKey, value);
        bytes_ += added;
        Parse();
        return true;
    }

    const size_t entry = FindEntry(header, key);
    if (entry != kNone) {
        const Line& line = lines_[entry];
        if (line.hasValue && line.value == value) return false;
        bytes_.replace(line.start, line.next - line.start, EntryLine(line.name, value));
        Parse();
        return true;
    }

    size_t last = header;
    const size_t end = SectionEnd(header);
    for (size_t i = header + 1; i < end; ++i) {
        if (lines_[i].kind != Kind::kBlank) last = i;
    }
    if (!lines_[last].broken) added = kLineBreak;
    added += EntryLine(newKey, value);
    bytes_.insert(lines_[last].next, added);
    Parse();
    return true;
}

bool ProfileText::DeleteKey(std::string_view section, std::string_view key) {
    for (size_t header = FindSection(section); header != kNone;
         header = FindSection(section, header + 1)) {
        const size_t entry = FindEntry(header, key);
        if (entry == kNone) continue;
        bytes_.erase(lines_[entry].start, lines_[entry].next - lines_[entry].start);
        Parse();
        return true;
    }
    return false;
}

bool ProfileText::DeleteSection(std::string_view section) {
    const size_t header = FindSection(section);
    if (header == kNone) return false;
    const size_t end = SectionEnd(header);
    const size_t stop = end < lines_.size() ? lines_[end].start : EndOfText();
    bytes_.erase(lines_[header].start, stop - lines_[header].start);
    Parse();
    return true;
}
