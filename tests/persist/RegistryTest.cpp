// The registry functions as the registry store uses them, below a fresh
// root. The same source runs natively against our folder-backed registry
// and under Wine against the real one, whose answers are the reference.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "persist/common/Platform.h"
#include "support/PlatformFixture.h"

using namespace platform;
using namespace std::string_literals;

namespace {

class Registry : public ::testing::Test {
  protected:
    ~Registry() override {
        for (HKEY key : keys) RegCloseKey(key);
    }

    HKEY Keep(HKEY key) {
        keys.push_back(key);
        return key;
    }

    HKEY Create(const char* path, DWORD* disposition = nullptr, HKEY parent = nullptr) {
        HKEY key = nullptr;
        const LONG status =
            RegCreateKeyExA(parent ? parent : HKEY(root), path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_WRITE | KEY_READ, nullptr, &key, disposition);
        EXPECT_EQ(status, ERROR_SUCCESS) << "creating " << (path ? path : "(null)");
        return Keep(key);
    }

    LONG Open(const char* path, HKEY* key, REGSAM access = KEY_READ) {
        const LONG status = RegOpenKeyExA(root, path, 0, access, key);
        if (status == ERROR_SUCCESS) Keep(*key);
        return status;
    }

    void Set(HKEY key, const char* name, DWORD type, std::string_view bytes, DWORD size) {
        EXPECT_EQ(
            RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()), size),
            ERROR_SUCCESS);
    }

    // The stored size of a value (queried without data).
    DWORD StoredSize(HKEY key, const char* name) {
        DWORD size = 12345;
        EXPECT_EQ(RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
        return size;
    }

    ScratchRegistry registry;
    RootKey root{registry.Root()};
    std::vector<HKEY> keys;
};

TEST_F(Registry, CreatesMissingKeysOnTheWay) {
    DWORD disposition = 0;
    Create("A\\B\\C", &disposition);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    HKEY key;
    EXPECT_EQ(Open("A", &key), ERROR_SUCCESS);
    EXPECT_EQ(Open("A\\B", &key), ERROR_SUCCESS);

    for (const char* same : {"A\\B\\C", "a\\b\\c", "A\\B\\C\\", "A\\B\\C\\\\", "A\\\\B\\C"}) {
        disposition = 0;
        Create(same, &disposition);
        EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY) << same;
    }
    EXPECT_EQ(Open("A\\B\\C\\", &key), ERROR_SUCCESS);
    Create("C\\D", &disposition, Create("A\\B"));
    EXPECT_EQ(Open("a\\b\\c\\d", &key), ERROR_SUCCESS);
}

TEST_F(Registry, OpeningAMissingKeyCreatesNothing) {
    HKEY key = reinterpret_cast<HKEY>(uintptr_t{1});
    EXPECT_EQ(RegOpenKeyExA(root, "Missing\\Sub", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, nullptr);
    EXPECT_EQ(Open("Missing", &key), ERROR_FILE_NOT_FOUND);
}

TEST_F(Registry, RejectsBadArguments) {
    HKEY key;
    EXPECT_EQ(RegOpenKeyExA(root, "\\A", 0, KEY_READ, &key), ERROR_BAD_PATHNAME);
    EXPECT_EQ(RegCreateKeyExA(root, "\\A", 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_BAD_PATHNAME);
    // Windows refuses a null result pointer; Wine 8 writes through it.
    if (!RunningUnderWine()) {
        EXPECT_EQ(RegOpenKeyExA(root, "A", 0, KEY_READ, nullptr), ERROR_INVALID_PARAMETER);
        EXPECT_EQ(RegCreateKeyExA(root, "A", 0, nullptr, 0, KEY_WRITE, nullptr, nullptr, nullptr),
                  ERROR_BADKEY);
    }
    EXPECT_EQ(Open("A", &key), ERROR_FILE_NOT_FOUND);

    EXPECT_EQ(RegOpenKeyExA(nullptr, "A", 0, KEY_READ, &key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCreateKeyExA(nullptr, "A", 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_INVALID_HANDLE);
    DWORD value = 0, size = 4;
    EXPECT_EQ(
        RegQueryValueExA(nullptr, "v", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size),
        ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegSetValueExA(nullptr, "v", 0, REG_NONE, reinterpret_cast<BYTE*>(&value), 4),
              ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(nullptr), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RootKey(nullptr), nullptr);
}

TEST_F(Registry, EmptySubkeyOpensANewHandle) {
    DWORD value = 7;
    Set(root, "v", REG_NONE, {reinterpret_cast<char*>(&value), 4}, 4);
    HKEY first, second;
    ASSERT_EQ(Open(nullptr, &first), ERROR_SUCCESS);
    ASSERT_EQ(Open("", &second), ERROR_SUCCESS);
    EXPECT_NE(first, HKEY(root));
    EXPECT_NE(second, HKEY(root));
    EXPECT_NE(first, second);
    EXPECT_EQ(StoredSize(first, "v"), 4u);
    EXPECT_EQ(RegCloseKey(first), ERROR_SUCCESS);
    keys.erase(std::find(keys.begin(), keys.end(), first));
    EXPECT_EQ(StoredSize(root, "v"), 4u);

    Create("Twice");
    HKEY a, b;
    ASSERT_EQ(Open("Twice", &a), ERROR_SUCCESS);
    ASSERT_EQ(Open("Twice", &b), ERROR_SUCCESS);
    EXPECT_NE(a, b);
}

TEST_F(Registry, NamesIgnoreCase) {
    const HKEY created = Create("section4");
    HKEY key;
    ASSERT_EQ(Open("Section4", &key, KEY_READ | KEY_WRITE), ERROR_SUCCESS);
    Set(created, "Val", REG_SZ, "one", 4);
    char text[8] = "";
    DWORD size = sizeof text;
    EXPECT_EQ(RegQueryValueExA(key, "VAL", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(text, "one");
    Set(key, "vAL", REG_SZ, "two", 4);
    size = sizeof text;
    EXPECT_EQ(
        RegQueryValueExA(created, "val", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size),
        ERROR_SUCCESS);
    EXPECT_STREQ(text, "two");
}

TEST_F(Registry, KeepsTypeAndBytesAsTheStoreUsesThem) {
    const HKEY key = Create("Preset");
    const uint32_t dryOut = 0xFFFFFFFF, squeak = 0x01020304;
    Set(key, "DryOut", REG_NONE, {reinterpret_cast<const char*>(&dryOut), 4}, 4);
    Set(key, "Squeak", REG_DWORD, {reinterpret_cast<const char*>(&squeak), 4}, 4);

    HKEY reader;
    ASSERT_EQ(Open("preset", &reader), ERROR_SUCCESS);
    uint32_t value = 0;
    DWORD capacity = 4;
    EXPECT_EQ(RegQueryValueExA(reader, "DryOut", nullptr, nullptr, reinterpret_cast<BYTE*>(&value),
                               &capacity),
              ERROR_SUCCESS);
    EXPECT_EQ(value, 0xFFFFFFFFu);
    capacity = 4;
    EXPECT_EQ(RegQueryValueExA(reader, "Squeak", nullptr, nullptr, reinterpret_cast<BYTE*>(&value),
                               &capacity),
              ERROR_SUCCESS);
    EXPECT_EQ(value, 0x01020304u);

    DWORD type = 99, size = 0;
    EXPECT_EQ(RegQueryValueExA(reader, "DryOut", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_NONE);
    EXPECT_EQ(size, 4u);
}

TEST_F(Registry, ReportsSizesAndLeavesSmallBuffersAlone) {
    const HKEY key = Create("Sizes");
    Set(key, "eight", REG_BINARY, "12345678", 8);

    unsigned char buffer[8];
    std::memset(buffer, 0xcc, sizeof buffer);
    DWORD type = 99, size = 4;
    EXPECT_EQ(RegQueryValueExA(key, "eight", nullptr, &type, buffer, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 8u);
    for (unsigned char b : buffer) EXPECT_EQ(b, 0xcc);

    size = 99;
    EXPECT_EQ(RegQueryValueExA(key, "missing", nullptr, nullptr, nullptr, &size),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(size, 0u);
    size = 99;
    EXPECT_EQ(RegQueryValueExA(key, "missing", nullptr, nullptr, buffer, &size),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(size, 99u);
    EXPECT_EQ(RegQueryValueExA(key, "eight", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
}

TEST_F(Registry, TerminatesStringsOnlyWhereThereIsRoom) {
    const HKEY key = Create("Strings");
    Set(key, "none", REG_SZ, "abc", 0);
    Set(key, "counted", REG_SZ, "abc", 3);  // the terminator is added
    Set(key, "short", REG_SZ, "abc", 2);    // stored without one
    Set(key, "inner", REG_SZ, "a\0b\0"s, 4);
    EXPECT_EQ(StoredSize(key, "none"), 0u);
    EXPECT_EQ(StoredSize(key, "counted"), 4u);
    EXPECT_EQ(StoredSize(key, "short"), 2u);
    EXPECT_EQ(StoredSize(key, "inner"), 4u);

    const auto query = [&](const char* name, DWORD capacity) {
        std::string buffer(6, '#');
        DWORD size = capacity;
        EXPECT_EQ(RegQueryValueExA(key, name, nullptr, nullptr,
                                   reinterpret_cast<BYTE*>(buffer.data()), &size),
                  ERROR_SUCCESS);
        return std::make_pair(size, buffer);
    };
    EXPECT_EQ(query("none", 4), std::make_pair(DWORD{0}, "######"s));
    EXPECT_EQ(query("short", 2), std::make_pair(DWORD{2}, "ab####"s));
    EXPECT_EQ(query("short", 3), std::make_pair(DWORD{2}, "ab\0###"s));
    EXPECT_EQ(query("counted", 6), std::make_pair(DWORD{4}, "abc\0##"s));
    EXPECT_EQ(query("inner", 6), std::make_pair(DWORD{4}, "a\0b\0##"s));
}

TEST_F(Registry, NullDataStoresOnlyNothing) {
    const HKEY key = Create("Null");
    // Wine hands the null buffer to its server in a writev. Linux fails such
    // a write whole; an emulator's (qemu-user) writes what comes before the
    // bad buffer, and Wine then ends the process.
    if (!std::getenv("PLUGINS_I386_EMULATED")) {
        EXPECT_EQ(RegSetValueExA(key, "v", 0, REG_BINARY, nullptr, 4), ERROR_NOACCESS);
        DWORD size = 99;
        EXPECT_EQ(RegQueryValueExA(key, "v", nullptr, nullptr, nullptr, &size),
                  ERROR_FILE_NOT_FOUND);
    }
    EXPECT_EQ(RegSetValueExA(key, "v", 0, REG_BINARY, nullptr, 0), ERROR_SUCCESS);
    EXPECT_EQ(StoredSize(key, "v"), 0u);
}

TEST_F(Registry, NullAndEmptyNamesAreTheDefaultValue) {
    const HKEY key = Create("Default");
    Set(key, nullptr, REG_BINARY, "xy", 2);
    EXPECT_EQ(StoredSize(key, ""), 2u);
    Set(key, "", REG_BINARY, "xyz", 3);
    EXPECT_EQ(StoredSize(key, nullptr), 3u);
}

TEST_F(Registry, HonoursTheAccessOfTheHandleNotOfItsParent) {
    Create("Locked");
    HKEY reader;
    ASSERT_EQ(Open("Locked", &reader, KEY_READ), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(reader, "v", 0, REG_BINARY, reinterpret_cast<const BYTE*>("x"), 1),
              ERROR_ACCESS_DENIED);
    HKEY child;
    EXPECT_EQ(RegCreateKeyExA(reader, "Child", 0, nullptr, 0, KEY_WRITE, nullptr, &child, nullptr),
              ERROR_SUCCESS);
    Keep(child);
}

TEST_F(Registry, CallsOnADeletedRootFail) {
    Create("Before");
    registry.DeleteRoot();
    HKEY key;
    EXPECT_EQ(RegCreateKeyExA(root, "Sub", 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_KEY_DELETED);
    EXPECT_EQ(RegOpenKeyExA(root, "Before", 0, KEY_READ, &key), ERROR_KEY_DELETED);
    DWORD value = 1, size = 4;
    EXPECT_EQ(RegQueryValueExA(root, "v", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size),
              ERROR_KEY_DELETED);
    EXPECT_EQ(RegSetValueExA(root, "v", 0, REG_NONE, reinterpret_cast<BYTE*>(&value), 4),
              ERROR_KEY_DELETED);
}

#ifndef _WIN32

// Our own registry's files.

TEST_F(Registry, KeepsKeysAsFoldersAndValuesInOneFile) {
    const HKEY key = Create("Presets\\Bright");
    const uint32_t value = 100;
    Set(key, "DryOut", REG_NONE, {reinterpret_cast<const char*>(&value), 4}, 4);
    Set(key, "", REG_SZ, "hi", 3);
    EXPECT_EQ(FolderEntries(registry.Folder()), std::vector<std::string>{"Presets"});
    EXPECT_EQ(FolderEntries(registry.Folder() + "/Presets/Bright"),
              std::vector<std::string>{".values"});
    EXPECT_EQ(ReadBytes(registry.Folder() + "/Presets/Bright/.values"),
              "RGV1"
              "\x06\0\0\0DryOut\0\0\0\0\x04\0\0\0\x64\0\0\0"
              "\0\0\0\0\x01\0\0\0\x03\0\0\0hi\0"s);

    Create("a/b\\100%\\.hidden");
    EXPECT_TRUE(Exists(registry.Folder() + "/a%2Fb/100%25/%2Ehidden"));
    HKEY again;
    EXPECT_EQ(Open("A/B\\100%\\.HIDDEN", &again), ERROR_SUCCESS);
}

TEST_F(Registry, RefusesToWriteBelowAFolderItMayNotWrite) {
    Create("Existing");
    ScratchFolder probe;
    if (!probe.MakeReadOnlyFolder("locked")) GTEST_SKIP() << "this process may write anywhere";
    chmod(registry.Folder().c_str(), 0555);
    chmod((registry.Folder() + "/Existing").c_str(), 0555);
    HKEY key;
    EXPECT_EQ(RegCreateKeyExA(root, "New", 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegCreateKeyExA(root, "Existing", 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(Open("Existing", &key, KEY_READ), ERROR_SUCCESS);
    chmod((registry.Folder() + "/Existing").c_str(), 0755);
    chmod(registry.Folder().c_str(), 0755);
}

TEST_F(Registry, ReportsAndKeepsADamagedValueFile) {
    const HKEY key = Create("Damaged");
    const std::string file = registry.Folder() + "/Damaged/.values";
    WriteBytes(file, "RGV1\x09\0\0\0short"s);
    DWORD value = 0, size = 4;
    EXPECT_EQ(RegQueryValueExA(key, "v", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size),
              ERROR_REGISTRY_CORRUPT);
    EXPECT_EQ(RegSetValueExA(key, "v", 0, REG_NONE, reinterpret_cast<BYTE*>(&value), 4),
              ERROR_REGISTRY_CORRUPT);
    EXPECT_EQ(ReadBytes(file), "RGV1\x09\0\0\0short"s);
}

#endif

}  // namespace
