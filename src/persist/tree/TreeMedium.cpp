#include "persist/tree/TreeMedium.h"

#include "persist/tree/SettingsNode.h"

void TreeMedium::Load(Keyword keyword, const char* name, void* variable) {
    switch (keyword) {
        case Keyword::kUint:
        case Keyword::kDword:
            node_.GetDwordValue(name, static_cast<uint32_t*>(variable));
            break;
        case Keyword::kInt:
            node_.GetIntValue(name, static_cast<int32_t*>(variable));
            break;
        case Keyword::kFloat:
            node_.GetFloatValue(name, static_cast<float*>(variable));
            break;
        case Keyword::kDouble:
            node_.GetDoubleValue(name, static_cast<double*>(variable));
            break;
        case Keyword::kString:
            node_.GetStringValue(name, static_cast<SharedString*>(variable));
            break;
        case Keyword::kLss: {
            auto& block = *static_cast<LssBlock*>(variable);
            uint32_t size = 0;
            if (node_.GetDwordValue(LssSizeName(name).c_str(), &size) && AllocateLss(block, size)) {
                node_.GetBinaryValue(LssDataName(name).c_str(), block.data,
                                     static_cast<int32_t>(block.size));
            } else {
                block = {0, nullptr};
            }
            break;
        }
        case Keyword::kUnknown:
            break;
    }
}

bool TreeMedium::Save(Keyword keyword, const char* name, const void* variable) {
    switch (keyword) {
        case Keyword::kUint:
        case Keyword::kDword:
            node_.SetDwordValue(name, *static_cast<const uint32_t*>(variable));
            break;
        case Keyword::kInt:
            node_.SetIntValue(name, *static_cast<const int32_t*>(variable));
            break;
        case Keyword::kFloat:
            node_.SetFloatValue(name, *static_cast<const float*>(variable));
            break;
        case Keyword::kDouble:
            node_.SetDoubleValue(name, *static_cast<const double*>(variable));
            break;
        case Keyword::kString:
            node_.SetStringValue(name, *static_cast<const SharedString*>(variable));
            break;
        case Keyword::kLss: {
            const auto& block = *static_cast<const LssBlock*>(variable);
            node_.SetDwordValue(LssSizeName(name).c_str(), block.size);
            node_.SetBinaryValue(LssDataName(name).c_str(), block.data,
                                 block.data ? block.size : 0);
            break;
        }
        case Keyword::kUnknown:
            break;
    }
    // The tree takes every value.
    return true;
}
