// The text of a profile file in the Win32 private-profile syntax, read and
// edited without disturbing a byte that an edit does not concern.
//
// A line is a "[name]" section header, or an entry: a key name, optionally
// followed by '=' and a value. Blank lines are skipped; lines before the
// first header belong to no section and are never found. Blanks around a
// line, around '=' and inside the brackets do not count; names compare
// ignoring ASCII case. Only the first section of a name is searched, and in
// it the first entry of a key. Lines may end in CR LF, LF or CR; lines that
// an edit writes end in CR LF.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class ProfileText {
  public:
    explicit ProfileText(std::string bytes);
    // The parsed lines point into the bytes, so a copy parses its own.
    ProfileText(const ProfileText& other) : ProfileText(other.bytes_) {}
    ProfileText(ProfileText&& other) : ProfileText(std::move(other.bytes_)) {}
    ProfileText& operator=(const ProfileText&) = delete;

    const std::string& Bytes() const { return bytes_; }

    // The value of the key, trimmed, quotes and all; nothing when the
    // section or key is missing or the key's line has no '='. `section` and
    // `key` are compared as given (callers trim them).
    std::optional<std::string_view> Find(std::string_view section, std::string_view key) const;

    // Names of all sections, in file order (unnamed "[]" sections left out).
    std::vector<std::string_view> SectionNames() const;
    // Names of the keys with a value in the section, leaving out comments
    // (names starting with ';').
    std::vector<std::string_view> KeyNames(std::string_view section) const;

    // Each edit returns whether the text changed.
    // Gives the key this value: rewrites its line, or adds "key=value" after
    // the section's last non-blank line, or adds the section at the end.
    // Missing sections and keys are created under the names `newSection`
    // and `newKey`.
    bool Set(std::string_view section, std::string_view key, std::string_view newSection,
             std::string_view newKey, std::string_view value);
    // Removes the key's line, from the first section of that name holding it.
    bool DeleteKey(std::string_view section, std::string_view key);
    // Removes the first section of that name: its header and every line up
    // to the next header.
    bool DeleteSection(std::string_view section);

    // Blanks as the profile functions see them: ASCII white space and ^Z.
    static std::string_view Trim(std::string_view text);
    static std::string_view TrimLeft(std::string_view text);

  private:
    enum class Kind { kBlank, kSection, kEntry };
    struct Line {
        size_t start;  // first byte
        size_t next;   // first byte of the next line
        bool broken;   // ends in a line break (only a last line may not)
        Kind kind;
        std::string_view name;
        bool hasValue;
        std::string_view value;
    };
    static constexpr size_t kNone = static_cast<size_t>(-1);

    void Parse();
    size_t FindSection(std::string_view name, size_t from = 0) const;
    size_t SectionEnd(size_t header) const;
    size_t FindEntry(size_t header, std::string_view key) const;
    size_t EndOfText() const { return bytes_.size(); }

    std::string bytes_;
    std::vector<Line> lines_;
};
