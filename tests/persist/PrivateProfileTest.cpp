// The private-profile functions as the profile-file store uses them. The
// same source runs natively against our implementation and under Wine
// against the real functions, whose answers are the reference.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "persist/common/Platform.h"
#include "support/PlatformFixture.h"

using namespace platform;
using namespace std::string_literals;

namespace {

class PrivateProfile : public ::testing::Test {
  protected:
    const char* File() const { return file.c_str(); }
    void Put(std::string_view bytes) const { WriteBytes(file, bytes); }
    std::string Contents() const { return ReadBytes(file); }

    // The text GetPrivateProfileStringA copies, checked against its result.
    std::string Get(const char* section, const char* key, const char* fallback = "default",
                    DWORD size = 200, const char* fileName = nullptr) const {
        std::vector<char> buffer(size + 1, '\x0c');
        const DWORD count = GetPrivateProfileStringA(section, key, fallback, buffer.data(), size,
                                                     fileName ? fileName : File());
        EXPECT_EQ(count, std::strlen(buffer.data())) << "for key " << (key ? key : "(null)");
        return buffer.data();
    }

    // The result of listing the names of a NULL section or key, and the
    // whole buffer.
    std::pair<DWORD, std::string> List(const char* section, DWORD size) const {
        std::string buffer(size, '\x0c');
        const DWORD count =
            GetPrivateProfileStringA(section, nullptr, "default", buffer.data(), size, File());
        return {count, buffer};
    }

    ScratchFolder folder;
    std::string file = folder.Path("test.ini");
};

TEST_F(PrivateProfile, FindsSectionsAndKeysIgnoringCaseAndBlanks) {
    Put("[ section1 ]\r\nname1=val1\r\n[Sec]\r\n  k  =  v w  \r\n\tTab\t=\tt\r\n");
    EXPECT_EQ(Get("section1", "NaMe1"), "val1");
    EXPECT_EQ(Get("sEC", "K"), "v w");
    EXPECT_EQ(Get(" Sec ", "  k "), "v w");
    EXPECT_EQ(Get("sec", "tab"), "t");
    Put("\xEF\xBB\xBF[utf8]\r\nmarked=1\r\n");
    EXPECT_EQ(Get("UTF8", "marked"), "1");
}

TEST_F(PrivateProfile, ReadsCrLfLfAndCrFilesAlike) {
    for (const char* eol : {"\r\n", "\n", "\r"}) {
        SCOPED_TRACE(eol[1] ? "CR LF" : eol[0] == '\n' ? "LF" : "CR");
        Put("[s]"s + eol + "a=1" + eol + "b = two" + eol + "[t]" + eol + "a=3" + eol);
        EXPECT_EQ(Get("s", "a"), "1");
        EXPECT_EQ(Get("s", "b"), "two");
        EXPECT_EQ(Get("t", "a"), "3");
        EXPECT_EQ(GetPrivateProfileIntA("t", "a", 0, File()), 3u);
    }
}

TEST_F(PrivateProfile, StripsOneMatchingPairOfQuotes) {
    Put("[s]\r\nd=\"val2\"\r\nsingle='x y'\r\nmixed=\"m'\r\nlone=\"\r\nempty=\"\"\r\n"
        "inner=a\"b\"\r\n");
    EXPECT_EQ(Get("s", "d"), "val2");
    EXPECT_EQ(Get("s", "single"), "x y");
    EXPECT_EQ(Get("s", "mixed"), "\"m'");
    EXPECT_EQ(Get("s", "lone"), "\"");
    EXPECT_EQ(Get("s", "empty"), "");
    EXPECT_EQ(Get("s", "inner"), "a\"b\"");
    // The closing quote is dropped only when the buffer could hold the
    // quoted text; one byte short, the value's last character goes instead.
    EXPECT_EQ(Get("s", "d", "default", 6), "val2");
    EXPECT_EQ(Get("s", "d", "default", 5), "val");
    EXPECT_EQ(Get("s", "d", "default", 4), "val");
}

TEST_F(PrivateProfile, MissingValuesGiveTheDefault) {
    Put("[section1]\r\nname1=val1\r\nname3\r\n[section2]\r\n");
    const std::string missing = folder.Path("missing.ini");
    EXPECT_EQ(Get("section1", "name1", "default", 200, missing.c_str()), "default");
    EXPECT_EQ(Get("notasection", "name1"), "default");
    EXPECT_EQ(Get("", "name1"), "default");
    EXPECT_EQ(Get("section1", ""), "default");
    EXPECT_EQ(Get("section1", "notakey"), "default");
    EXPECT_EQ(Get("section2", "name1"), "default");
    EXPECT_EQ(Get("section1", "name3"), "default") << "a line without '=' has no value";
    EXPECT_EQ(Get("section1", "name1", "default", 200, ""), "default");
    char buffer[16];
    EXPECT_EQ(GetPrivateProfileStringA("section1", "name1", "default", buffer, 16, nullptr), 7u);
    EXPECT_STREQ(buffer, "default");

    // Trailing spaces of the default go; other blanks stay, and so does
    // the first character.
    EXPECT_EQ(Get("section1", "x", nullptr), "");
    EXPECT_EQ(Get("section1", "x", "default  "), "default");
    EXPECT_EQ(Get("section1", "x", "one two  "), "one two");
    EXPECT_EQ(Get("section1", "x", "a\t "), "a\t");
    EXPECT_EQ(Get("section1", "x", "   "), " ");
    // The default is copied like a value, quotes and all, unless the file
    // cannot be opened at all.
    EXPECT_EQ(Get("section1", "x", "\"quoted\""), "quoted");
    EXPECT_EQ(Get("section1", "x", "\"quoted\"", 200, missing.c_str()), "quoted");
    const std::string noFolder = folder.Path("absent/missing.ini");
    EXPECT_EQ(Get("section1", "x", "\"quoted\"", 200, noFolder.c_str()), "\"quoted\"");
    EXPECT_EQ(Get("section1", "x", "\"quoted\"", 200, ""), "\"quoted\"");
}

TEST_F(PrivateProfile, CutsTheTextToTheBuffer) {
    Put("[section1]\r\nname1=val1\r\n");
    char buffer[8] = "kumquat";
    EXPECT_EQ(GetPrivateProfileStringA("section1", "name1", "default", buffer, 0, File()), 0u);
    EXPECT_STREQ(buffer, "kumquat");
    EXPECT_EQ(Get("section1", "name1", "default", 5), "val1");
    EXPECT_EQ(Get("section1", "name1", "default", 4), "val");
    EXPECT_EQ(Get("section1", "name1", "default", 1), "");
    EXPECT_EQ(Get("section1", "none", "default", 4), "def");
}

TEST_F(PrivateProfile, EmptyNamesFindUnnamedSectionsAndKeys) {
    Put("\r\nkey=val_no_section\r\n[]\r\nkey=val_e_section\r\n[s]\r\n=val_no_key\r\n[t]\r\n");
    EXPECT_EQ(Get("s", ""), "val_no_key");
    EXPECT_EQ(Get("t", ""), "default");
    // Windows finds the "[]" section; Wine does not (a known Wine fault).
    if (!RunningUnderWine()) {
        EXPECT_EQ(Get("", "key"), "val_e_section");
    }
}

TEST_F(PrivateProfile, SeesEditsMadeByOthers) {
    Put("[Test]\nProfileInt=123\n");
    EXPECT_EQ(GetPrivateProfileIntA("Test", "ProfileInt", 0, File()), 123u);
    Put("[Test]\nProfileInt=124\n");
    EXPECT_EQ(GetPrivateProfileIntA("Test", "ProfileInt", 0, File()), 124u);
    std::remove(File());
    EXPECT_EQ(GetPrivateProfileIntA("Test", "ProfileInt", 421, File()), 421u);
}

TEST_F(PrivateProfile, ParsesIntegersLikeTheWin32Parse) {
    const struct {
        const char* text;
        UINT value;
    } cases[] = {
        {"-1", 4294967295u},
        {"+1", 1},
        {"4294967296", 0},
        {"4294967297", 1},
        {"-4294967297", 4294967295u},
        {"42A94967297", 42},
        {"B4294967297", 0},
        {"12abc", 12},
        {"abc", 0},
        {"0x10", 16},
        {"0X10", 0},
        {"-0x10", 4294967280u},
        {"0xFfFfFfFf", 4294967295u},
        {"0x", 0},
        {"012", 12},
        {"0b101", 5},
        {"0o17", 15},
        {"0b102", 2},
        {"\" 12\"", 12},
        {"1 2", 1},
        {"-", 0},
        {"+-1", 0},
        // Only the first 29 characters are read.
        {"0000000000000000000000000007", 7},
        {"00000000000000000000000000007", 7},
        {"000000000000000000000000000007", 0},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(WritePrivateProfileStringA("Test", "ProfileInt", c.text, File()));
        EXPECT_EQ(GetPrivateProfileIntA("Test", "ProfileInt", -7, File()), c.value)
            << "for " << c.text;
    }
    ASSERT_TRUE(WritePrivateProfileStringA("Test", "ProfileInt", "", File()));
    EXPECT_EQ(GetPrivateProfileIntA("Test", "ProfileInt", 99, File()), 99u);
    EXPECT_EQ(GetPrivateProfileIntA("Test", "Missing", -1, File()), 4294967295u);
    EXPECT_EQ(GetPrivateProfileIntA("Other", "ProfileInt", 5, File()), 5u);
}

TEST_F(PrivateProfile, NullSectionOrKeyReadsTheNameList) {
    // With no file the lists are empty, so the integer read gives the
    // default; otherwise it parses the first name of the list.
    EXPECT_EQ(GetPrivateProfileIntA(nullptr, nullptr, -1, File()), 4294967295u);
    EXPECT_EQ(GetPrivateProfileIntA("7up", nullptr, 1, File()), 1u);
    Put("[7up]\r\n3key=1\r\n");
    EXPECT_EQ(GetPrivateProfileIntA(nullptr, "3key", 1, File()), 7u);
    EXPECT_EQ(GetPrivateProfileIntA("7up", nullptr, 1, File()), 3u);
}

TEST_F(PrivateProfile, ListsSectionAndKeyNames) {
    Put("[section1]\r\nname1=val1\r\nname2=\"val2\"\r\nname3\r\nname4=a\r\n;c=1\r\n"
        "[section2]\r\n[]\r\nx=1\r\n");
    auto [count, list] = List(nullptr, 200);
    EXPECT_EQ(count, 18u);
    EXPECT_EQ(list.substr(0, 19), "section1\0section2\0\0"s);
    std::tie(count, list) = List("section1", 200);
    EXPECT_EQ(count, 18u);
    EXPECT_EQ(list.substr(0, 19), "name1\0name2\0name4\0\0"s);
    // No keys to list: the default instead.
    for (const char* empty : {"SECTION2", "missing"}) {
        std::tie(count, list) = List(empty, 200);
        EXPECT_EQ(list.substr(0, count + 1), "default\0"s);
    }

    // Too small: the list is cut at size - 2, the last name cut short. On
    // Windows a second terminator follows; not on Wine (a known Wine fault).
    std::tie(count, list) = List(nullptr, 16);
    EXPECT_EQ(list.substr(0, count + 1), "section1\0secti\0"s);
    if (!RunningUnderWine()) {
        EXPECT_EQ(list[15], '\0');
    }
    std::tie(count, list) = List("section1", 16);
    EXPECT_EQ(list.substr(0, count + 1), "name1\0name2\0na\0"s);
    if (!RunningUnderWine()) {
        EXPECT_EQ(list[15], '\0');
    }
    // A list that would fit exactly counts as cut: size - 2 again.
    std::tie(count, list) = List(nullptr, 19);
    EXPECT_EQ(count, 17u);
    EXPECT_EQ(list.substr(0, count + 1), "section1\0section2\0"s);

    std::remove(File());
    std::tie(count, list) = List(nullptr, 10);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(list[0], '\0');
}

TEST_F(PrivateProfile, WritesFilesByteForByte) {
    ASSERT_TRUE(WritePrivateProfileStringA("App", "key", "", File()));
    EXPECT_EQ(Contents(), "[App]\r\nkey=\r\n");
    std::remove(File());

    WritePrivateProfileStringA("App1", "key1", "string1", File());
    WritePrivateProfileStringA("App1", "key2", "string2", File());
    WritePrivateProfileStringA("App1", "key3", "string3", File());
    WritePrivateProfileStringA("App2", "key4", "string4", File());
    ASSERT_TRUE(WritePrivateProfileStringA("App3", "key5", "string5", File()));
    EXPECT_EQ(Contents(),
              "[App1]\r\nkey1=string1\r\nkey2=string2\r\nkey3=string3\r\n"
              "[App2]\r\nkey4=string4\r\n[App3]\r\nkey5=string5\r\n");

    ASSERT_TRUE(WritePrivateProfileStringA("App1", "key2", nullptr, File()));
    const std::string withoutKey2 =
        "[App1]\r\nkey1=string1\r\nkey3=string3\r\n[App2]\r\nkey4=string4\r\n"
        "[App3]\r\nkey5=string5\r\n";
    EXPECT_EQ(Contents(), withoutKey2);
    ASSERT_TRUE(WritePrivateProfileStringA("App1", "key2", nullptr, File()));
    EXPECT_EQ(Contents(), withoutKey2);

    ASSERT_TRUE(WritePrivateProfileStringA("App1", nullptr, "string1", File()));
    EXPECT_EQ(Contents(), "[App2]\r\nkey4=string4\r\n[App3]\r\nkey5=string5\r\n");
    ASSERT_TRUE(WritePrivateProfileStringA("App2", nullptr, nullptr, File()));
    EXPECT_EQ(Contents(), "[App3]\r\nkey5=string5\r\n");
    ASSERT_TRUE(WritePrivateProfileStringA("App3", "key5", nullptr, File()));
    EXPECT_EQ(Contents(), "[App3]\r\n");
    ASSERT_TRUE(WritePrivateProfileStringA("app3", "KEY5", "v", File()));
    EXPECT_EQ(Contents(), "[App3]\r\nKEY5=v\r\n");
}

TEST_F(PrivateProfile, CreatesNamesAndValuesWithoutLeadingBlanks) {
    ASSERT_TRUE(WritePrivateProfileStringA(" sp  ", "  k  ", "  padded  ", File()));
    EXPECT_EQ(Contents(), "[sp  ]\r\nk  =padded  \r\n");
    EXPECT_EQ(Get("sp", "k"), "padded");

    Put("[sp]\r\nk=1\r\n");
    ASSERT_TRUE(WritePrivateProfileStringA("SP", " K", "\"quoted\"", File()));
    ASSERT_TRUE(WritePrivateProfileStringA("SP ", "K2 ", "2", File()));
    EXPECT_EQ(Contents(), "[sp]\r\nk=\"quoted\"\r\nK2 =2\r\n");
    EXPECT_EQ(Get("sp", "k"), "quoted");
}

TEST_F(PrivateProfile, RefusesWritesWithoutSectionOrFileName) {
    EXPECT_FALSE(WritePrivateProfileStringA(nullptr, "key", "string", File()));
    EXPECT_FALSE(Exists(file));
    Put("");
    EXPECT_FALSE(WritePrivateProfileStringA(nullptr, "key", "string", File()));
    EXPECT_EQ(Contents(), "");
    EXPECT_FALSE(WritePrivateProfileStringA("App", "key", "string", ""));
}

TEST_F(PrivateProfile, DeletingFromAMissingFileLeavesAnEmptyFile) {
    // Windows creates the file; Wine does not (a known Wine fault).
    if (RunningUnderWine()) GTEST_SKIP() << "Wine creates no file here";
    EXPECT_TRUE(WritePrivateProfileStringA("App", "key", nullptr, File()));
    EXPECT_EQ(Contents(), "");
    std::remove(File());
    EXPECT_TRUE(WritePrivateProfileStringA("App", nullptr, "string", File()));
    EXPECT_EQ(Contents(), "");
}

TEST_F(PrivateProfile, KeepsForeignSectionsKeysAndComments) {
    Put("; header\r\n[Other]\r\nkeep=1\r\n; note\r\n[App]\r\na=1\r\nb=2\r\n[Tail]\r\nz=9\r\n");
    ASSERT_TRUE(WritePrivateProfileStringA("App", "b", "3", File()));
    EXPECT_EQ(
        Contents(),
        "; header\r\n[Other]\r\nkeep=1\r\n; note\r\n[App]\r\na=1\r\nb=3\r\n[Tail]\r\nz=9\r\n");
    ASSERT_TRUE(WritePrivateProfileStringA("App", "c", "4", File()));
    ASSERT_TRUE(WritePrivateProfileStringA("Other", "new", "5", File()));
    ASSERT_TRUE(WritePrivateProfileStringA("Fresh", "x", "6", File()));
    EXPECT_EQ(Contents(),
              "; header\r\n[Other]\r\nkeep=1\r\n; note\r\nnew=5\r\n[App]\r\na=1\r\nb=3\r\nc=4\r\n"
              "[Tail]\r\nz=9\r\n[Fresh]\r\nx=6\r\n");
    ASSERT_TRUE(WritePrivateProfileStringA("Other", nullptr, nullptr, File()));
    ASSERT_TRUE(WritePrivateProfileStringA("Tail", "z", nullptr, File()));
    EXPECT_EQ(Contents(), "; header\r\n[App]\r\na=1\r\nb=3\r\nc=4\r\n[Tail]\r\n[Fresh]\r\nx=6\r\n");
}

TEST_F(PrivateProfile, KeepsEveryLineItDoesNotEdit) {
    // Windows edits the file in place. Wine writes it anew from what it
    // parsed: blank lines dropped, blanks trimmed, line breaks made CR LF,
    // bytes before the first section lost (the last a known Wine fault).
    if (RunningUnderWine()) GTEST_SKIP() << "Wine rewrites the whole file";
    const std::string before = "Data \0 before \0 first \0 section"s;
    Put(before);
    ASSERT_TRUE(WritePrivateProfileStringA("section1", "key1", "string1", File()));
    EXPECT_EQ(Contents(), before + "\r\n[section1]\r\nkey1=string1\r\n");

    Put("# own\n[A]\n  spaced  =  kept  \n\n; c\n\n[B]\rx=1\r\r[C]\r\nlast=1");
    ASSERT_TRUE(WritePrivateProfileStringA("A", "new", "1", File()));
    ASSERT_TRUE(WritePrivateProfileStringA("B", "X", "2", File()));
    ASSERT_TRUE(WritePrivateProfileStringA("C", "last", "2", File()));
    ASSERT_TRUE(WritePrivateProfileStringA("D", "k", "v", File()));
    EXPECT_EQ(Contents(),
              "# own\n[A]\n  spaced  =  kept  \n\n; c\nnew=1\r\n\n[B]\rx=2\r\n\r[C]\r\nlast=2\r\n"
              "[D]\r\nk=v\r\n");
    ASSERT_TRUE(WritePrivateProfileStringA("B", nullptr, nullptr, File()));
    EXPECT_EQ(Contents(),
              "# own\n[A]\n  spaced  =  kept  \n\n; c\nnew=1\r\n\n[C]\r\nlast=2\r\n[D]\r\nk=v\r\n");

    Put("[A]\r\nk=v");
    ASSERT_TRUE(WritePrivateProfileStringA("A", "k2", "x", File()));
    EXPECT_EQ(Contents(), "[A]\r\nk=v\r\nk2=x\r\n");
}

TEST_F(PrivateProfile, EncodesStructsWithAChecksum) {
    char buffer[20];
    EXPECT_FALSE(GetPrivateProfileStructA("s", "key", buffer, sizeof buffer, File()));
    ASSERT_TRUE(WritePrivateProfileStructA("s", "key", const_cast<char*>("abacus"), 7, File()));
    EXPECT_EQ(Contents(), "[s]\r\nkey=616261637573006F\r\n");

    EXPECT_FALSE(GetPrivateProfileStructA("s", "key", buffer, 6, File()));
    EXPECT_FALSE(GetPrivateProfileStructA("s", "key", buffer, 8, File()));
    EXPECT_FALSE(GetPrivateProfileStructA("s", "nokey", buffer, 7, File()));
    std::memset(buffer, 0xcc, sizeof buffer);
    ASSERT_TRUE(GetPrivateProfileStructA("S", "KEY", buffer, 7, File()));
    EXPECT_STREQ(buffer, "abacus");
    EXPECT_EQ(Get("s", "key", "default", sizeof buffer), "616261637573006F");

    const struct {
        const char* text;
        bool valid;
    } cases[] = {
        {"636163747573006F", false},   // checksum of "abacus" on "cactus"
        {"6361637475730083", true},    // "cactus"
        {"636163747573008Q", false},   // not hexadecimal
        {"16361637475730083", false},  // odd length
        {"636163747573008", false},    // one digit short
        {"6361637475730083 ", true},   // trailing blank trimmed
        {"616261637573006f", true},    // lower case
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(WritePrivateProfileStringA("s", "key", c.text, File()));
        EXPECT_EQ(GetPrivateProfileStructA("s", "key", buffer, 7, File()) != FALSE, c.valid)
            << "for " << c.text;
    }

    ASSERT_TRUE(WritePrivateProfileStructA("s", "empty", buffer, 0, File()));
    EXPECT_EQ(Get("s", "empty"), "00");
    EXPECT_TRUE(GetPrivateProfileStructA("s", "empty", buffer, 0, File()));

    ASSERT_TRUE(WritePrivateProfileStructA("s", "key", nullptr, 7, File()));
    ASSERT_TRUE(WritePrivateProfileStructA("s", "empty", nullptr, 0, File()));
    EXPECT_EQ(Contents(), "[s]\r\n");
}

TEST_F(PrivateProfile, FailedStructReadLeavesTheBufferAlone) {
    // Our choice: decode aside and copy only on success. Wine decodes into
    // the caller's buffer before it checks the checksum.
    if (RunningUnderWine()) GTEST_SKIP() << "Wine writes the buffer before checking";
    Put("[s]\r\nbadsum=636163747573006F\r\nbadhex=636163747573008Q\r\n");
    for (const char* key : {"badsum", "badhex"}) {
        unsigned char buffer[7];
        std::memset(buffer, 0xcc, sizeof buffer);
        EXPECT_FALSE(GetPrivateProfileStructA("s", key, buffer, 7, File()));
        for (unsigned char b : buffer) EXPECT_EQ(b, 0xcc) << "for " << key;
    }
}

// Both writes refuse, and no file appears.
void ExpectWritesFail(const std::string& path) {
    EXPECT_FALSE(WritePrivateProfileStringA("App", "key", "string", path.c_str()));
    EXPECT_FALSE(
        WritePrivateProfileStructA("App", "key", const_cast<char*>("ab"), 2, path.c_str()));
    EXPECT_FALSE(Exists(path));
}

TEST_F(PrivateProfile, WritesFailInAMissingFolder) {
    ExpectWritesFail(folder.Path("absent/test.ini"));
}

TEST_F(PrivateProfile, WritesFailInAReadOnlyFolder) {
    if (!folder.MakeReadOnlyFolder("locked"))
        GTEST_SKIP() << "this process may write into read-only folders";
    ExpectWritesFail(folder.Path("locked/tmp.ini"));
}

TEST_F(PrivateProfile, WritesLeaveNothingElseInTheFolder) {
    for (int i = 0; i < 5; ++i) {
        const std::string key = "key" + std::to_string(i);
        ASSERT_TRUE(WritePrivateProfileStringA("App", key.c_str(), "v", File()));
    }
    EXPECT_EQ(FolderEntries(folder.Root()), std::vector<std::string>{"test.ini"});
}

TEST(PrivateProfileDirectory, HoldsFilesNamedWithoutAFolder) {
    BareNameFolder bare;
    const std::string name = UniqueName("platform-test-") + ".ini";
    const std::string path = bare.Path(name);
    ASSERT_TRUE(WritePrivateProfileStringA("App", "key", "bare", name.c_str()));
    EXPECT_EQ(ReadBytes(path), "[App]\r\nkey=bare\r\n");
    EXPECT_FALSE(Exists(name)) << "not in the current folder";
    char buffer[16];
    EXPECT_EQ(GetPrivateProfileStringA("App", "key", "", buffer, sizeof buffer, name.c_str()), 4u);
    EXPECT_STREQ(buffer, "bare");
    std::remove(path.c_str());
}

}  // namespace
