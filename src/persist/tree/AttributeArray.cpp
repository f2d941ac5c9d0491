#include "persist/tree/AttributeArray.h"

#include <cstdint>
#include <cstdlib>
#include <new>
#include <stdexcept>
#include <utility>

namespace {

void DestroyAll(SettingsAttribute* first, SettingsAttribute* last) noexcept {
    for (; first != last; ++first) first->~SettingsAttribute();
}

}  // namespace

AttributeArray::~AttributeArray() {
    DestroyAll(begin_, end_);
    std::free(begin_);
}

SettingsAttribute* AttributeArray::Find(NameRef name) const noexcept {
    for (SettingsAttribute* a = begin_; a != end_; ++a) {
        if (SameName(a->name.Text(), name.Text())) return a;
    }
    return nullptr;
}

SettingsAttribute* AttributeArray::Append(const SharedString& name, const SharedString& value) {
    // The pair is built before the array may move: `name` or `value` may be
    // strings of this array.
    SettingsAttribute pair{name, value};
    if (end_ == capacityEnd_) Grow();
    new (end_) SettingsAttribute(std::move(pair));
    return end_++;
}

void AttributeArray::Grow() {
    const size_t count = Count();
    const size_t capacity = count + (count ? count : 1);
    if (capacity > SIZE_MAX / sizeof(SettingsAttribute))
        throw std::length_error("too many attributes");
    auto* fresh =
        static_cast<SettingsAttribute*>(std::malloc(capacity * sizeof(SettingsAttribute)));
    if (!fresh) throw std::bad_alloc();
    // Copies, not moves: the strings share their buffers under the copy
    // rule, as the host's own code does when it grows an array.
    SettingsAttribute* to = fresh;
    try {
        for (const SettingsAttribute* from = begin_; from != end_; ++from, ++to) {
            new (to) SettingsAttribute(*from);
        }
    } catch (...) {
        DestroyAll(fresh, to);
        std::free(fresh);
        throw;
    }
    DestroyAll(begin_, end_);
    std::free(begin_);
    begin_ = fresh;
    end_ = to;
    capacityEnd_ = fresh + capacity;
}
