// The load/save driver with an arbitrary signature: values read from a host's
// tree (the input's first line is the signature, every further line an
// element "name=value"), then saved to a fresh tree, a profile file and the
// registry and read back from each, which must give the same values.
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "FuzzSupport.h"
#include "persist/ParameterDriver.h"
#include "persist/SettingsElement.h"
#include "persist/SettingsNode.h"
#include "persist/Signature.h"
#include "persist/ValueText.h"

namespace {

// More pointers than the longest signature has tokens; the rest are unused.
constexpr size_t kSlots = 1024;

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

struct Call {
    std::vector<std::string> nameTexts;
    std::vector<const char*> names;
    std::vector<Slot> slots;
    std::string signature;
    explicit Call(std::string s)
        : nameTexts(kSlots), names(kSlots), slots(kSlots), signature(std::move(s)) {
        for (size_t i = 0; i < kSlots; ++i) {
            nameTexts[i] = "P" + std::to_string(i);
            names[i] = nameTexts[i].c_str();
        }
        WalkSignature(signature.c_str(), [&](Keyword k, size_t i) { slots[i].keyword = k; });
    }
    template <size_t... I>
    void Load(const char* path, const char* section, void* root, SettingsNode* tree,
              std::index_sequence<I...>) {
        LoadParameters(path, section, root, tree, names.data(), signature.c_str(),
                       slots[I].Address()...);
    }
    template <size_t... I>
    int32_t Save(const char* path, const char* section, void* root, SettingsNode* tree,
                 std::index_sequence<I...>) {
        return SaveParameters(path, section, root, tree, names.data(), signature.c_str(),
                              slots[I].Address()...);
    }
};

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
            return textual ? std::strcmp(FormatGeneral(x).Text(), FormatGeneral(y).Text()) == 0 ||
                                 (x != x && y != y)
                           : std::memcmp(&x, &y, 4) == 0;
        }
        case Keyword::kDouble: {
            double x, y;
            std::memcpy(&x, &a.word, 8);
            std::memcpy(&y, &b.word, 8);
            return textual ? std::strcmp(FormatGeneral(x).Text(), FormatGeneral(y).Text()) == 0 ||
                                 (x != x && y != y)
                           : std::memcmp(&x, &y, 8) == 0;
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
    constexpr auto all = std::make_index_sequence<kSlots>();

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
    loaded.Load(nullptr, nullptr, nullptr, tree, all);
    SettingsNode::Destroy(tree);

    // Through a fresh tree, a profile file and the registry and back.
    SettingsNode* copy = SettingsNode::Create();
    Check(loaded.Save(nullptr, nullptr, nullptr, copy, all) == 1);
    Call fromTree(loaded.signature);
    fromTree.Load(nullptr, nullptr, nullptr, copy, all);
    SettingsNode::Destroy(copy);

    const std::string ini = ScratchFolder() + "/driver.ini";
    std::filesystem::remove(ini);
    Check(loaded.Save(ini.c_str(), "S", nullptr, nullptr, all) == 1);
    Call fromProfile(loaded.signature);
    fromProfile.Load(ini.c_str(), "S", nullptr, nullptr, all);

    std::filesystem::remove_all(ScratchFolder() + "/Key");
    char* root = const_cast<char*>(ScratchFolder().c_str());
    Check(loaded.Save(nullptr, "Key", root, nullptr, all) == 1);
    Call fromRegistry(loaded.signature);
    fromRegistry.Load(nullptr, "Key", root, nullptr, all);

    for (size_t i = 0; i < kSlots; ++i) {
        Check(SameSlot(loaded.slots[i], fromTree.slots[i], true, true));
        Check(SameSlot(loaded.slots[i], fromProfile.slots[i], true, false));
        Check(SameSlot(loaded.slots[i], fromRegistry.slots[i], false, true));
    }
    return 0;
}
