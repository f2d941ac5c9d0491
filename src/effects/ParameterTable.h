// An effect's stored parameters, described once: the names table and the
// signature the load/save driver walks, the defaults a load starts from, and
// what plug-in hosts and the guides show of each are all made from one table
// per effect (effects/<effect>/<Effect>Parameters.h).
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>

#include "host/ParameterStore.h"
#include "persist/ParameterDriver.h"

// What the value means, for hosts and guides.
enum class ParameterUnit {
    kLevelStep,  // a gain in steps of 1/32767
    kPercent,
    kHertz,
    kPhaseChangesPerSecond,
    kSwitch,  // 0 off, 1 on
};

// How a value reaches the sound, which decides how a live host's change of
// it is smoothed.
enum class ParameterRole {
    kGain,       // ramps
    kCutoff,     // glides
    kRate,       // takes effect at the next phase change
    kStoredOnly  // changes nothing
};

// When the store lacks a value: a fixed default; the default also for a
// stored 0xFFFFFFFF (the not-stored mark); or the value of an earlier
// parameter of the table, also for a stored 0xFFFFFFFF.
enum class DefaultRule { kFixed, kMarked, kFollows };

struct ParameterDescription {
    const char* name;   // as stored, and the control's symbol
    const char* label;  // what hosts show
    uint32_t defaultValue;
    DefaultRule rule;
    const char* follows;  // for DefaultRule::kFollows
    // The range offered to plug-in hosts (stores take any 32-bit word).
    uint32_t minimum;
    uint32_t maximum;
    ParameterUnit unit;
    ParameterRole role;
    bool logarithmic;         // hosts best show it on a logarithmic scale
    bool rightChannel;        // changes only the right channel
    const char* description;  // what it does, in a musician's words
};

// Index of the parameter named `name`; the table's size when there is none,
// which a constant expression turns into a compile error where it is used.
template <size_t Count>
constexpr size_t IndexOf(const std::array<ParameterDescription, Count>& table,
                         std::string_view name) {
    for (size_t i = 0; i < Count; ++i) {
        if (name == table[i].name) return i;
    }
    return Count;
}

template <size_t Count>
constexpr std::array<const char*, Count> NamesOf(
    const std::array<ParameterDescription, Count>& table) {
    std::array<const char*, Count> names{};
    for (size_t i = 0; i < Count; ++i) names[i] = table[i].name;
    return names;
}

// "DWORD DWORD ... DWORD", one keyword per parameter, NUL-terminated.
template <size_t Count>
constexpr auto DwordSignature() {
    constexpr std::string_view kKeyword = "DWORD";
    std::array<char, Count*(kKeyword.size() + 1)> text{};
    size_t at = 0;
    for (size_t i = 0; i < Count; ++i) {
        if (i != 0) text[at++] = ' ';
        for (char c : kKeyword) text[at++] = c;
    }
    return text;
}

// The stored words of one effect, in table order.
template <size_t Count>
using StoredWords = std::array<uint32_t, Count>;

constexpr uint32_t kNotStored = 0xFFFFFFFF;

// What a load starts from: the fixed defaults, and the not-stored mark where
// a default is resolved after the read.
template <size_t Count>
constexpr StoredWords<Count> PresetsOf(const std::array<ParameterDescription, Count>& table) {
    StoredWords<Count> words{};
    for (size_t i = 0; i < Count; ++i)
        words[i] = table[i].rule == DefaultRule::kFixed ? table[i].defaultValue : kNotStored;
    return words;
}

// Replaces the marks left after a read, in table order, so that a value
// that follows an earlier one gets that one's resolved value.
template <size_t Count>
constexpr void ResolveDefaults(const std::array<ParameterDescription, Count>& table,
                               StoredWords<Count>& words) {
    for (size_t i = 0; i < Count; ++i) {
        if (table[i].rule == DefaultRule::kFixed || words[i] != kNotStored) continue;
        words[i] = table[i].rule == DefaultRule::kMarked ? table[i].defaultValue
                                                         : words[IndexOf(table, table[i].follows)];
    }
}

// The words a record loaded from an empty store holds.
template <size_t Count>
constexpr StoredWords<Count> DefaultsOf(const std::array<ParameterDescription, Count>& table) {
    StoredWords<Count> words = PresetsOf(table);
    ResolveDefaults(table, words);
    return words;
}

// Whether every parameter that follows another follows an earlier one.
template <size_t Count>
constexpr bool FollowsEarlierOnes(const std::array<ParameterDescription, Count>& table) {
    for (size_t i = 0; i < Count; ++i) {
        if (table[i].rule == DefaultRule::kFollows && IndexOf(table, table[i].follows) >= i)
            return false;
    }
    return true;
}

// Whether the default the table gives each parameter is the one a load from
// an empty store resolves (hosts are told the former).
template <size_t Count>
constexpr bool DefaultsAgree(const std::array<ParameterDescription, Count>& table) {
    const StoredWords<Count> words = DefaultsOf(table);
    for (size_t i = 0; i < Count; ++i) {
        if (words[i] != table[i].defaultValue) return false;
    }
    return true;
}

// The load/save driver over one table: every value a "DWORD", in table
// order, one variable per parameter.
template <const auto& Table>
class StoredParameters {
  public:
    static constexpr size_t kSize = Table.size();
    using Words = StoredWords<kSize>;
    static_assert(FollowsEarlierOnes(Table), "a default follows a later parameter");
    static_assert(DefaultsAgree(Table), "a default differs from the one a load resolves");

    // Reads what the store holds into `words`; a value it lacks keeps what
    // `words` held.
    static void Read(const ParameterStore& store, Words& words) {
        Call(LoadParameters, store, words, std::make_index_sequence<kSize>());
    }
    // Writes every value; the driver's result.
    static int32_t Write(const ParameterStore& store, Words words) {
        return Call(SaveParameters, store, words, std::make_index_sequence<kSize>());
    }

  private:
    static constexpr std::array<const char*, kSize> kNames = NamesOf(Table);
    static constexpr auto kSignature = DwordSignature<kSize>();

    template <typename Driver, size_t... Index>
    static auto Call(Driver driver, const ParameterStore& store, Words& words,
                     std::index_sequence<Index...>) {
        return driver(store.profilePath, store.section, store.registryRoot, store.tree,
                      kNames.data(), kSignature.data(), &words[Index]...);
    }
};
