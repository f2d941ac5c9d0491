// The profile-file functions on arbitrary file contents, in memory: the
// calls of ProfileCalls.h on the parsed text, which are what the Win32-named
// functions do between reading the file and writing it back. The text is
// read every way the stores read it (section and key lists, texts, integers,
// structs, into buffers of every size); then one value is written, or a key
// or a section deleted. Every value the change does not concern must read
// back exactly as before, a written one as written, and writing it again
// must change nothing.
//
// Only what the Win32 functions guarantee is checked: lookups take the first
// section of a name and in it the first entry of a key, so later duplicates
// are never seen; a value reads back trimmed and with one matching pair of
// quotes dropped; a line without '=' has no value. A write cannot keep its
// key readable when the key starts with '[' (the line may turn into a
// section header) or holds '=' or a line break, nor a value with a line
// break: such writes are skipped.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "FuzzSupport.h"
#include "persist/common/AsciiCase.h"
#include "persist/profile/ProfileCalls.h"

using namespace platform;

namespace {

// Blanks as the profile functions see them.
bool IsBlank(char c) {
    return (c >= 0x09 && c <= 0x0d) || c == 0x1a || c == ' ';
}
std::string Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return std::string(text);
}
bool SameName(std::string_view a, std::string_view b) {
    return EqualIgnoringAsciiCase(Trim(a), Trim(b));
}

// Everything one section and key read as.
struct Reading {
    std::string text;
    UINT number;
    BOOL structRead;
    std::string structBytes;
    bool operator==(const Reading&) const = default;
};

class Profile {
  public:
    Profile(const ProfileText& text, size_t room) : text_(&text), room_(room), buffer_(room) {}
    const ProfileText& Text() const { return *text_; }
    void Use(const ProfileText& text) { text_ = &text; }

    // Names from a list read with room to spare: sections, or a section's keys.
    std::vector<std::string> Names(const char* section) const {
        char* buffer = Scratch();
        const DWORD n =
            ProfileString(text_, section, nullptr, "", buffer, static_cast<DWORD>(room_));
        Check(n < room_ && buffer[n] == '\0');
        std::vector<std::string> names;
        for (size_t at = 0; at < n; at += names.back().size() + 1) names.emplace_back(&buffer[at]);
        return names;
    }

    Reading Read(const std::string& section, const std::string& key) const {
        Reading r;
        char* buffer = Scratch();
        const DWORD n = ProfileString(text_, section.c_str(), key.c_str(), "<missing>", buffer,
                                      static_cast<DWORD>(room_));
        Check(n < room_ && buffer[n] == '\0');
        r.text.assign(buffer, n);
        r.number = ProfileInt(text_, section.c_str(), key.c_str(), 0x5A5A5A5A);
        const UINT size = r.text.size() >= 2 ? static_cast<UINT>(r.text.size() / 2 - 1) : 0;
        r.structBytes.assign(size, '\x77');
        r.structRead =
            ProfileStruct(text_, section.c_str(), key.c_str(), r.structBytes.data(), size);
        if (!r.structRead) Check(r.structBytes == std::string(size, '\x77'));
        return r;
    }

    // Reads into a buffer of exactly `size` bytes: never past it, always
    // terminated, and a prefix of what a roomy buffer gets.
    void ReadCut(const char* section, const char* key, DWORD size) const {
        char* whole = Scratch();
        const DWORD all =
            ProfileString(text_, section, key, "default", whole, static_cast<DWORD>(room_));
        std::vector<char> cut(size, kUnwritten);
        const DWORD n = ProfileString(text_, section, key, "default", cut.data(), size);
        Check(n < size && cut[n] == '\0' && n <= all);
        Check(std::memcmp(cut.data(), whole, n) == 0);
        // A list cut short ends in two terminators (an empty key list gives
        // the default, cut like a value).
        if ((!section || !key) && n < all)
            Check((n + 2 == size && cut[n + 1] == '\0') || n + 1 == size);
    }

  private:
    static constexpr char kUnwritten = 0x7F;
    // The one roomy buffer of all reads, refilled before each so that a
    // terminator the read did not write cannot be mistaken for its own.
    char* Scratch() const {
        std::fill(buffer_.begin(), buffer_.end(), kUnwritten);
        return buffer_.data();
    }

    const ProfileText* text_;
    size_t room_;
    mutable std::vector<char> buffer_;
};

// One matching pair of quotes around the trimmed text goes.
std::string AsRead(std::string_view written) {
    std::string text = Trim(written);
    if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') &&
        text.back() == text.front())
        text = text.substr(1, text.size() - 2);
    return text;
}

bool Writable(const std::string& name) {
    const std::string trimmed = Trim(name);
    return !trimmed.empty() && trimmed.front() != '[' &&
           name.find_first_of("=\r\n") == std::string::npos;
}

// The part of `before` that an edit replaced and what it put there: what
// lies between the longest common prefix and suffix.
struct Edit {
    std::string_view removed;
    std::string_view inserted;
};
Edit Difference(std::string_view before, std::string_view after) {
    size_t prefix = 0;
    while (prefix < before.size() && prefix < after.size() && before[prefix] == after[prefix])
        ++prefix;
    size_t suffix = 0;
    while (suffix < before.size() - prefix && suffix < after.size() - prefix &&
           before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
        ++suffix;
    return {before.substr(prefix, before.size() - prefix - suffix),
            after.substr(prefix, after.size() - prefix - suffix)};
}

// Everything the file reads as, within limits: the key lists of the first
// 16 sections and the values of their first 16 keys, which keeps a run short
// (each read scans the file; mutations move any line among these).
constexpr size_t kExamined = 16;
struct Snapshot {
    std::string bytes;
    std::vector<std::string> sections;
    std::map<std::string, std::vector<std::string>> keysOf;
    std::vector<std::pair<std::string, std::string>> pairs;
    std::vector<Reading> readings;
};

Snapshot Take(const Profile& profile) {
    Snapshot s;
    s.bytes = profile.Text().Bytes();
    s.sections = profile.Names(nullptr);
    for (const std::string& section : s.sections) {
        if (s.keysOf.size() == kExamined) break;
        if (s.keysOf.count(section)) continue;
        s.keysOf[section] = profile.Names(section.c_str());
        for (const std::string& key : s.keysOf[section]) {
            if (s.pairs.size() < kExamined) s.pairs.emplace_back(section, key);
        }
    }
    for (const auto& [section, key] : s.pairs) s.readings.push_back(profile.Read(section, key));
    return s;
}

// Every value that `concerned(section, key)` leaves out reads as before.
template <typename Concerned>
void CheckOthersUnchanged(const Profile& profile, const Snapshot& before, Concerned concerned) {
    for (size_t i = 0; i < before.pairs.size(); ++i) {
        const auto& [s, k] = before.pairs[i];
        if (!concerned(s, k)) Check(profile.Read(s, k) == before.readings[i]);
    }
}

const char* const kValues[] = {"42",       "-1",       "",           "  padded  ", "\"quoted\"",
                               "'single'", "a=b=c",    "0x10",       "[x]",        ";c",
                               "\"",       "x\ty\x1a", "4294967297", "\"a\"b\"",   "'\""};
const char* const kNewNames[] = {"NewName", " Spaced Name ", "name;x", "\xC4\xE9", "]", "n]"};

// A value written as text or as a struct reads back; the lists gain only
// the new name; the edit replaces at most the one line of the key; writing
// again changes nothing.
void CheckWrite(Profile& profile, const Snapshot& before, const std::string& section,
                const std::string& key, const std::string& value, bool asStruct, bool listsExact) {
    const std::vector<std::string> keysBefore = profile.Names(section.c_str());
    const std::string fileBefore = profile.Text().Bytes();
    ProfileText edited = profile.Text();
    const std::string text =
        asStruct ? ProfileStructText(value.data(), static_cast<UINT>(value.size())) : value;
    const auto write = [&] {
        return EditProfile(edited, section.c_str(), key.c_str(), text.c_str());
    };
    write();
    profile.Use(edited);
    const std::string fileAfter = edited.Bytes();

    if (asStruct) {
        std::string read(value.size(), '\0');
        Check(ProfileStruct(&edited, section.c_str(), key.c_str(), read.data(),
                            static_cast<UINT>(read.size())) == TRUE);
        Check(read == value);
    } else {
        Check(profile.Read(section, key).text == AsRead(value));
    }
    CheckOthersUnchanged(profile, before, [&](const std::string& s, const std::string& k) {
        return SameName(s, section) && SameName(k, key);
    });

    // Names with a NUL byte come out of a list in pieces, and then a list
    // cannot tell whether a section is new.
    const bool newSection =
        std::none_of(before.sections.begin(), before.sections.end(),
                     [&](const std::string& s) { return SameName(s, section); });
    std::vector<std::string> sectionsExpected = before.sections;
    if (newSection) sectionsExpected.push_back(Trim(section));
    if (listsExact) Check(profile.Names(nullptr) == sectionsExpected);
    for (const auto& [s, keys] : before.keysOf) {
        if (listsExact && !SameName(s, section)) Check(profile.Names(s.c_str()) == keys);
    }
    const auto others = [&](std::vector<std::string> keys) {
        std::erase_if(keys, [&](const std::string& k) { return SameName(k, key); });
        return keys;
    };
    const std::vector<std::string> keysAfter = profile.Names(section.c_str());
    if (listsExact) Check(others(keysAfter) == others(keysBefore));
    if (Trim(key).front() != ';') {
        Check(std::any_of(keysAfter.begin(), keysAfter.end(),
                          [&](const std::string& k) { return SameName(k, key); }));
    }

    std::string_view removed = Difference(fileBefore, fileAfter).removed;
    while (!removed.empty() && (removed.back() == '\r' || removed.back() == '\n'))
        removed.remove_suffix(1);
    Check(removed.find_first_of("\r\n") == std::string_view::npos);

    // A value with trailing blanks is stored anew, since it reads back
    // without them; the line may then lose the blanks after its key, which
    // do not count either.
    if (asStruct || value.empty() || !IsBlank(value.back())) Check(!write());
}

// Deleting a key (`key` not null) or a section leaves every other value
// as it was and only takes bytes away.
void CheckDeletion(Profile& profile, const Snapshot& before, const std::string& section,
                   const char* key) {
    ProfileText edited = profile.Text();
    EditProfile(edited, section.c_str(), key, nullptr);
    profile.Use(edited);
    CheckOthersUnchanged(profile, before, [&](const std::string& s, const std::string& k) {
        return SameName(s, section) && (!key || SameName(k, key));
    });
    Check(Difference(before.bytes, edited.Bytes()).inserted.empty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    // The file is the input but for its last bytes, which choose the write.
    FuzzedDataProvider data(bytes, size);
    const uint8_t how = data.ConsumeIntegral<uint8_t>();
    const uint8_t which = data.ConsumeIntegral<uint8_t>();
    const uint8_t what = data.ConsumeIntegral<uint8_t>();
    const std::string file = data.ConsumeRemainingBytesAsString();

    const ProfileText text(file);
    // Room for every list or value, with the longest written value.
    Profile profile(text, file.size() + 64);
    const Snapshot before = Take(profile);

    profile.ReadCut(nullptr, nullptr, 1 + what % 24);
    if (!before.pairs.empty()) {
        const auto& [section, key] = before.pairs[which % before.pairs.size()];
        profile.ReadCut(section.c_str(), nullptr, 1 + what % 24);
        profile.ReadCut(section.c_str(), key.c_str(), 1 + what % 24);
    }

    // What to change: an existing key, a new key in an existing section, or
    // a new section; to a value from the table or one the file holds, as
    // text or as a struct; or delete the key or the section.
    const std::vector<std::string>& sections = before.sections;
    std::string section =
        sections.empty() || how % 3 == 2 ? kNewNames[which % 6] : sections[which % sections.size()];
    std::string key = kNewNames[(which / 8) % 6];
    if (how % 3 == 0 && !before.pairs.empty())
        std::tie(section, key) = before.pairs[which % before.pairs.size()];
    const std::string value = (how / 3) % 2 == 0 || before.readings.empty()
                                  ? kValues[what % std::size(kValues)]
                                  : before.readings[what % before.readings.size()].text.c_str();
    const int change = (how / 6) % 8;
    if (change == 1) {
        CheckDeletion(profile, before, section, key.c_str());
    } else if (change == 2) {
        CheckDeletion(profile, before, section, nullptr);
    } else if (Writable(key) && !Trim(section).empty() &&
               section.find_first_of("\r\n") == std::string::npos &&
               value.find_first_of("\r\n") == std::string::npos) {
        CheckWrite(profile, before, section, key, value, change == 0,
                   file.find('\0') == std::string::npos);
    }
    return 0;
}
