// Records and entry-point types shared in memory between a host and a
// plug-in library. On 32-bit builds the layouts are fixed to the byte; on
// 64-bit builds the records keep their field order with native pointers and
// natural alignment.
#pragma once

#include <cstddef>
#include <cstdint>

class SettingsNode;

// Filled by PlugInInfo; the host owns it and sets `size` beforehand.
struct PlugInInfoRecord {
    uint32_t size;
    uint32_t zeroWord;
    const char* name;
    const char* vendor;
    uint32_t informationWord;
    uint32_t flagWord;
};

// Read only during OpenStream. The first two bytes are never read.
struct StreamFormat {
    uint16_t reserved;
    uint16_t channelCount;
    uint32_t sampleRate;
};

// `count` samples per channel, one array per channel; `right` is null for a
// one-channel stream.
struct StreamBuffer {
    uint32_t count;
    double* left;
    double* right;
};

extern "C" {
// Writes up to buffer->count input samples into the buffer's arrays and
// returns how many it wrote per channel.
typedef uint32_t (*StreamCallback)(void* user, StreamBuffer* buffer);
}

// A registry key handle on Windows; elsewhere the address of a NUL-terminated
// folder path that stands for the root key.
using RegistryRoot = void*;
// The host's opaque handle to a settings record.
using SettingsHandle = void*;

constexpr uint32_t kPlugInInfoSize = sizeof(PlugInInfoRecord);
constexpr const char* kVendorName = "Kelvora Ltd (CY)";
constexpr uint32_t kInformationWord = 0x00020000;

// The thirteen entry points as function types, shared by the libraries'
// declarations and by hosts that look them up by name.
extern "C" {
using PlugInInfoFn = int32_t(PlugInInfoRecord* info);
using InitializeFn = int32_t(const char* profilePath, const char* section,
                             RegistryRoot registryRoot, SettingsHandle* handle);
using InitializeXmlFn = int32_t(SettingsNode* tree, SettingsHandle* handle);
using LoadPresetFn = int32_t(const char* profilePath, const char* section,
                             RegistryRoot registryRoot, SettingsHandle* handle);
using SavePresetFn = int32_t(const char* profilePath, const char* section,
                             RegistryRoot registryRoot, SettingsHandle settings);
using SavePresetXmlFn = int32_t(SettingsNode* tree, SettingsHandle settings);
using CopySettingsFn = int32_t(SettingsHandle* handle, SettingsHandle source);
using FreeFn = void(SettingsHandle settings);
using SetStreamCallBackFn = int32_t(StreamCallback callback, void* user, SettingsHandle settings);
using OpenStreamFn = int32_t(SettingsHandle settings, const StreamFormat* format);
using CloseStreamFn = int32_t(SettingsHandle settings);
using ProcessStreamFn = uint32_t(StreamBuffer* buffer, SettingsHandle settings);
using CreateSettingsWindowFn = int32_t();
}

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(PlugInInfoRecord) == 24);
static_assert(offsetof(PlugInInfoRecord, size) == 0);
static_assert(offsetof(PlugInInfoRecord, zeroWord) == 4);
static_assert(offsetof(PlugInInfoRecord, name) == 8);
static_assert(offsetof(PlugInInfoRecord, vendor) == 12);
static_assert(offsetof(PlugInInfoRecord, informationWord) == 16);
static_assert(offsetof(PlugInInfoRecord, flagWord) == 20);
static_assert(sizeof(StreamBuffer) == 12);
static_assert(offsetof(StreamBuffer, count) == 0);
static_assert(offsetof(StreamBuffer, left) == 4);
static_assert(offsetof(StreamBuffer, right) == 8);
#else
static_assert(sizeof(PlugInInfoRecord) == 32);
#endif
static_assert(sizeof(StreamFormat) == 8);
static_assert(offsetof(StreamFormat, channelCount) == 2);
static_assert(offsetof(StreamFormat, sampleRate) == 4);
