// The load/save driver with an arbitrary signature: values read from a host's
// tree (the input's first line is the signature, every further line an
// element "name=value"), then saved to a fresh tree, a profile file and the
// registry and read back from each, which must give the same values. The
// profile file and the registry's folders and value files live in memory
// (MemoryFiles.cpp), below a folder that exists there only. Coverage feedback
// comes from the driver and its media, not from the parsers below them
// (driver-coverage-ignore.txt), which targets of their own explore.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "FuzzSupport.h"
#include "MemoryFiles.h"
#include "persist/ParameterDriver.h"
#include "persist/Signature.h"
#include "persist/common/ValueText.h"
#include "persist/tree/SettingsElement.h"
#include "persist/tree/SettingsNode.h"

namespace {

// As many names as the longest signature has tokens.
constexpr size_t kSlots = 1024;
// As many as the profile file and the registry take.
constexpr size_t kMediaTokens = 6;

struct Slot {
    Keyword keyword = Keyword::kUnknown;
    uint64_t word = 0x1111111111111111ull;
    SharedString string;
    LssBlock block{0, nullptr};
    ~Slot() { std::free(block.data); }
    void* Address() {
        switch (keyword) {
            case Keyword::kString:
                return &string;
            case Keyword::kLss:
                return &block;
            default:
                return &word;
        }
    }
};

// "P0", "P1", ...
const char* const* Names() {
    static const std::vector<std::string> texts = [] {
        std::vector<std::string> t(kSlots);
        for (size_t i = 0; i < kSlots; ++i) t[i] = "P" + std::to_string(i);
        return t;
    }();
    static const std::vector<const char*> names = [] {
        std::vector<const char*> n(kSlots);
        for (size_t i = 0; i < kSlots; ++i) n[i] = texts[i].c_str();
        return n;
    }();
    return names.data();
}

// One slot per token of the signature.
struct Call {
    std::vector<Slot> slots;
    std::string signature;
    explicit Call(std::string s) : signature(std::move(s)) {
        slots.reserve(std::count(signature.begin(), signature.end(), ' ') + 1);
        WalkSignature(signature.c_str(), [&](Keyword k, size_t i) {
            slots.resize(i + 1);
            slots[i].keyword = k;
        });
    }
    // The pointers of the slots, then null pointers, in the shortest of
    // three argument lists that takes them all.
    void Load(const char* path, const char* section, void* root, SettingsNode* tree) {
        if (slots.size() <= 16)
            return Load(path, section, root, tree, std::make_index_sequence<16>());
        if (slots.size() <= 128)
            return Load(path, section, root, tree, std::make_index_sequence<128>());
        Load(path, section, root, tree, std::make_index_sequence<kSlots>());
    }
    int32_t Save(const char* path, const char* section, void* root, SettingsNode* tree) {
        if (slots.size() <= 16)
            return Save(path, section, root, tree, std::make_index_sequence<16>());
        if (slots.size() <= 128)
            return Save(path, section, root, tree, std::make_index_sequence<128>());
        return Save(path, section, root, tree, std::make_index_sequence<kSlots>());
    }

  private:
    void* At(size_t i) { return i < slots.size() ? slots[i].Address() : nullptr; }
    template <size_t... I>
    void Load(const char* path, const char* section, void* root, SettingsNode* tree,
              std::index_sequence<I...>) {
        LoadParameters(path, section, root, tree, Names(), signature.c_str(), At(I)...);
    }
    template <size_t... I>
    int32_t Save(const char* path, const char* section, void* root, SettingsNode* tree,
                 std::index_sequence<I...>) {
        return SaveParameters(path, section, root, tree, Names(), signature.c_str(), At(I)...);
    }
};

// A number and what it reads back as from its text: the same six digits.
// Text holds no infinity ("%g" writes "inf", which reads as 0; a decimal
// too large for the type reads as infinite) and no NaN.
bool SameText(double x, double y) {
    if (!std::isfinite(x)) return !std::isfinite(y) || y == 0;
    return std::strcmp(FormatGeneral(x).Text(), FormatGeneral(y).Text()) == 0;
}

bool SameSlot(const Slot& a, const Slot& b, bool textual, bool strings) {
    switch (a.keyword) {
        case Keyword::kUint:
        case Keyword::kDword:
        case Keyword::kInt:
            return static_cast<uint32_t>(a.word) == static_cast<uint32_t>(b.word);
        case Keyword::kFloat: {
            float x, y;
            std::memcpy(&x, &a.word, 4);
            std::memcpy(&y, &b.word, 4);
            return textual ? SameText(x, y) : std::memcmp(&x, &y, 4) == 0;
        }
        case Keyword::kDouble: {
            double x, y;
            std::memcpy(&x, &a.word, 8);
            std::memcpy(&y, &b.word, 8);
            return textual ? SameText(x, y) : std::memcmp(&x, &y, 8) == 0;
        }
        case Keyword::kString: {
            if (!strings) return true;
            uint32_t n = a.string.Length();
            // the registry drops one trailing NUL (taken for a terminator)
            if (!textual && n > 0 && a.string.Text()[n - 1] == '\0') --n;
            return n == b.string.Length() && std::memcmp(a.string.Text(), b.string.Text(), n) == 0;
        }
        case Keyword::kLss:
            return a.block.size == b.block.size &&
                   (a.block.size == 0 ||
                    std::memcmp(a.block.data, b.block.data, a.block.size) == 0);
        default:
            return true;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    const std::string input(reinterpret_cast<const char*>(bytes), size);
    const size_t cut = std::min(input.find('\n'), input.size());

    // The host's tree: lines "name=value".
    SettingsNode* tree = SettingsNode::Create();
    for (size_t at = cut + 1; at < input.size();) {
        size_t end = std::min(input.find('\n', at), input.size());
        const std::string line = input.substr(at, end - at);
        const size_t eq = line.find('=');
        if (line.size() > 9 && SameName(line.substr(0, 9).c_str(), "SIZE_LSS_") &&
            eq != std::string::npos && ParseWord(line.c_str() + eq + 1) > 65536) {
            SettingsNode::Destroy(tree);
            return 0;  // a stored size is allocated whatever it is
        }
        SettingsElement* e = tree->CreateChildElement(SharedString(line.substr(0, eq).c_str()));
        if (eq != std::string::npos)
            e->SetStringAttribute(
                "Value",
                SharedString(line.data() + eq + 1, static_cast<uint32_t>(line.size() - eq - 1)));
        at = end + 1;
    }
    Call loaded(input.substr(0, cut));
    loaded.Load(nullptr, nullptr, nullptr, tree);
    SettingsNode::Destroy(tree);

    // Through a fresh tree, a profile file and the registry and back.
    SettingsNode* copy = SettingsNode::Create();
    Check(loaded.Save(nullptr, nullptr, nullptr, copy) == 1);
    Call fromTree(loaded.signature);
    fromTree.Load(nullptr, nullptr, nullptr, copy);
    SettingsNode::Destroy(copy);

    for (size_t i = 0; i < loaded.slots.size(); ++i)
        Check(SameSlot(loaded.slots[i], fromTree.slots[i], true, true));
    // Every value written to or read from a profile file or a value file
    // goes through the whole file, so a signature costs the square of its
    // length there; longer signatures, which the tree has just taken through
    // every token, stop here to keep runs short: the media store each value
    // on its own, and six tokens still hold any keywords side by side.
    if (loaded.slots.size() > kMediaTokens) return 0;
    static const std::string folder = "/in-memory";
    AddMemoryFolder(folder);
    const std::string ini = folder + "/driver.ini";
    Check(loaded.Save(ini.c_str(), "S", nullptr, nullptr) == 1);
    Call fromProfile(loaded.signature);
    fromProfile.Load(ini.c_str(), "S", nullptr, nullptr);

    char* root = const_cast<char*>(folder.c_str());
    Check(loaded.Save(nullptr, "Key", root, nullptr) == 1);
    Call fromRegistry(loaded.signature);
    fromRegistry.Load(nullptr, "Key", root, nullptr);

    for (size_t i = 0; i < loaded.slots.size(); ++i) {
        Check(SameSlot(loaded.slots[i], fromProfile.slots[i], true, false));
        Check(SameSlot(loaded.slots[i], fromRegistry.slots[i], false, true));
    }
    // Nothing outlives the input, or libFuzzer takes the files and folders
    // for a leak and runs the input again to look for one.
    ForgetMemoryFiles();
    return 0;
}
