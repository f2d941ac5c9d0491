#include "HeapWatch.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#if defined(_WIN32)
#include <windows.h>
#else
#include <link.h>
#endif

namespace {

enum Module : int { kHost, kLibrary, kOther };

struct Range {
    uintptr_t begin = 0;
    uintptr_t end = 0;
    bool Holds(const void* address) const {
        const auto a = reinterpret_cast<uintptr_t>(address);
        return a >= begin && a < end;
    }
};

// Blocks handed out while watching, in a fixed table: the watch itself must
// not allocate.
struct Block {
    void* address;
    Module module;
};
constexpr int kMaxBlocks = 4096;
Block blocks[kMaxBlocks];
int blockCount = 0;
bool watching = false;
Range ranges[2];
HeapCounts counts;

Module ModuleOf(const void* caller) {
    if (ranges[kHost].Holds(caller)) return kHost;
    if (ranges[kLibrary].Holds(caller)) return kLibrary;
    return kOther;
}

void NoteAllocated(void* address, const void* caller) {
    if (!watching || !address) return;
    if (blockCount == kMaxBlocks) std::abort();
    blocks[blockCount++] = {address, ModuleOf(caller)};
    ++counts.allocated;
}

void NoteReleased(void* address, const void* caller) {
    if (!watching || !address) return;
    for (int i = 0; i < blockCount; ++i) {
        if (blocks[i].address != address) continue;
        const Module by = ModuleOf(caller);
        if (blocks[i].module == kLibrary && by == kHost) ++counts.hostReleasedLibraryBlocks;
        if (blocks[i].module == kHost && by == kLibrary) ++counts.libraryReleasedHostBlocks;
        blocks[i] = blocks[--blockCount];
        ++counts.released;
        return;
    }
}

}  // namespace

#if defined(_WIN32)

namespace {

using MallocFn = void*(__cdecl*)(size_t);
using CallocFn = void*(__cdecl*)(size_t, size_t);
using ReallocFn = void*(__cdecl*)(void*, size_t);
using FreeFn = void(__cdecl*)(void*);
MallocFn realMalloc;
CallocFn realCalloc;
ReallocFn realRealloc;
FreeFn realFree;

void* __cdecl WatchedMalloc(size_t size) {
    void* p = realMalloc(size);
    NoteAllocated(p, __builtin_return_address(0));
    return p;
}
void* __cdecl WatchedCalloc(size_t count, size_t size) {
    void* p = realCalloc(count, size);
    NoteAllocated(p, __builtin_return_address(0));
    return p;
}
void* __cdecl WatchedRealloc(void* old, size_t size) {
    void* p = realRealloc(old, size);
    if (p || size == 0) NoteReleased(old, __builtin_return_address(0));
    NoteAllocated(p, __builtin_return_address(0));
    return p;
}
void __cdecl WatchedFree(void* p) {
    NoteReleased(p, __builtin_return_address(0));
    realFree(p);
}

IMAGE_NT_HEADERS* Headers(HMODULE module) {
    auto* base = reinterpret_cast<uint8_t*>(module);
    return reinterpret_cast<IMAGE_NT_HEADERS*>(base +
                                               reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
}

HMODULE ModuleAt(const void* address) {
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            static_cast<LPCSTR>(address), &module)) {
        throw std::runtime_error("no module holds the address");
    }
    return module;
}

void* Replacement(const char* name) {
    if (!std::strcmp(name, "malloc")) return reinterpret_cast<void*>(&WatchedMalloc);
    if (!std::strcmp(name, "calloc")) return reinterpret_cast<void*>(&WatchedCalloc);
    if (!std::strcmp(name, "realloc")) return reinterpret_cast<void*>(&WatchedRealloc);
    if (!std::strcmp(name, "free")) return reinterpret_cast<void*>(&WatchedFree);
    return nullptr;
}

// Points the module's msvcrt imports of the four functions at the watch.
void Redirect(HMODULE module) {
    auto* base = reinterpret_cast<uint8_t*>(module);
    const IMAGE_DATA_DIRECTORY& imports =
        Headers(module)->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    int redirected = 0;
    for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         d->Name; ++d) {
        if (_stricmp(reinterpret_cast<char*>(base + d->Name), "msvcrt.dll") != 0) continue;
        if (!d->OriginalFirstThunk) throw std::runtime_error("import names missing");
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const auto* byName =
                reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            void* replacement = Replacement(reinterpret_cast<const char*>(byName->Name));
            if (!replacement) continue;
            DWORD protection = 0;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE,
                           &protection);
            slots->u1.Function = reinterpret_cast<uintptr_t>(replacement);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection, &protection);
            ++redirected;
        }
    }
    if (redirected == 0) throw std::runtime_error("module imports no allocation from msvcrt");
}

Range RangeOf(const void* address) {
    HMODULE module = ModuleAt(address);
    const auto begin = reinterpret_cast<uintptr_t>(module);
    return {begin, begin + Headers(module)->OptionalHeader.SizeOfImage};
}

template <typename Fn>
Fn CrtFunction(const char* name) {
    // Through the generic function type, which converts to any other.
    using Generic = void (*)();
    return reinterpret_cast<Fn>(
        reinterpret_cast<Generic>(GetProcAddress(GetModuleHandleA("msvcrt.dll"), name)));
}

void Prepare(const void* host, const void* library) {
    if (!realMalloc) {
        realMalloc = CrtFunction<MallocFn>("malloc");
        realCalloc = CrtFunction<CallocFn>("calloc");
        realRealloc = CrtFunction<ReallocFn>("realloc");
        realFree = CrtFunction<FreeFn>("free");
        Redirect(ModuleAt(host));
        Redirect(ModuleAt(library));
    }
    ranges[kHost] = RangeOf(host);
    ranges[kLibrary] = RangeOf(library);
}

}  // namespace

#else

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* old, size_t size);
void __libc_free(void* p);

// glibc lets a program replace these four; every module's calls bind to the
// executable's definitions.
__attribute__((visibility("default"))) void* malloc(size_t size) noexcept {
    void* p = __libc_malloc(size);
    NoteAllocated(p, __builtin_return_address(0));
    return p;
}
__attribute__((visibility("default"))) void* calloc(size_t count, size_t size) noexcept {
    void* p = __libc_calloc(count, size);
    NoteAllocated(p, __builtin_return_address(0));
    return p;
}
__attribute__((visibility("default"))) void* realloc(void* old, size_t size) noexcept {
    void* p = __libc_realloc(old, size);
    if (p || size == 0) NoteReleased(old, __builtin_return_address(0));
    NoteAllocated(p, __builtin_return_address(0));
    return p;
}
__attribute__((visibility("default"))) void free(void* p) noexcept {
    NoteReleased(p, __builtin_return_address(0));
    __libc_free(p);
}
}

namespace {

struct Search {
    uintptr_t address;
    Range range;
};

// The span of the loaded segments of the module that holds the address.
int FindModule(dl_phdr_info* info, size_t, void* data) {
    auto& search = *static_cast<Search*>(data);
    Range span{UINTPTR_MAX, 0};
    bool holds = false;
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& segment = info->dlpi_phdr[i];
        if (segment.p_type != PT_LOAD) continue;
        const uintptr_t begin = info->dlpi_addr + segment.p_vaddr;
        const uintptr_t end = begin + segment.p_memsz;
        if (begin < span.begin) span.begin = begin;
        if (end > span.end) span.end = end;
        holds = holds || (search.address >= begin && search.address < end);
    }
    if (!holds) return 0;
    search.range = span;
    return 1;
}

Range RangeOf(const void* address) {
    Search search{reinterpret_cast<uintptr_t>(address), {}};
    if (!dl_iterate_phdr(&FindModule, &search))
        throw std::runtime_error("no module holds the address");
    return search.range;
}

void Prepare(const void* host, const void* library) {
    ranges[kHost] = RangeOf(host);
    ranges[kLibrary] = RangeOf(library);
}

}  // namespace

#endif

namespace heap_watch {

void Start(const void* host, const void* library) {
    Prepare(host, library);
    counts = {};
    blockCount = 0;
    watching = true;
}

HeapCounts Stop() {
    watching = false;
    return counts;
}

}  // namespace heap_watch
