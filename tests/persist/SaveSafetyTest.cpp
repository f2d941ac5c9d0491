// Saves that must not lose presets: several processes saving into one
// profile file or registry key at once, writes that fail, and (natively) a
// saving process killed at any moment.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SavedPreset.h"
#include "support/PlatformFixture.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>

extern char** environ;
#endif

namespace {

using namespace platform;

// A saver process (PresetSaver.cpp), started at once and waited for.
class SaverProcess {
  public:
    explicit SaverProcess(const std::vector<std::string>& arguments) {
#ifdef _WIN32
        std::string line = SAVER_PROGRAM;
        for (const std::string& a : arguments) line += " \"" + a + "\"";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                           &startup, &info)) {
            CloseHandle(info.hThread);
            process_ = info.hProcess;
        }
#else
        std::vector<std::string> all = {SAVER_PROGRAM};
        all.insert(all.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, SAVER_PROGRAM, nullptr, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
#endif
    }

    // The exit code: the number of saves that returned 0; -1 when the
    // process could not run.
    int Wait() {
#ifdef _WIN32
        if (!process_) return -1;
        DWORD code = 0;
        WaitForSingleObject(process_, INFINITE);
        GetExitCodeProcess(process_, &code);
        CloseHandle(process_);
        return static_cast<int>(code);
#else
        int status = 0;
        if (pid_ < 0 || waitpid(pid_, &status, 0) != pid_ || !WIFEXITED(status)) return -1;
        return WEXITSTATUS(status);
#endif
    }

  private:
#ifdef _WIN32
    HANDLE process_ = nullptr;
#else
    pid_t pid_ = -1;
#endif
};

constexpr unsigned kSavers = 4;
constexpr unsigned kSavesEach = 5;

// Every saver's every save is in "All", whole, and "Shared" holds one whole
// save.
void RunSaversAndCheck(const char* kind, const std::string& target, const char* profilePath,
                       RegistryRoot root) {
    ScratchFolder scratch;
    const std::string go = scratch.Path("go");
    std::vector<SaverProcess> savers;
    for (unsigned s = 0; s < kSavers; ++s) {
        savers.emplace_back(std::vector<std::string>{kind, target, std::to_string(s),
                                                     std::to_string(kSavesEach), go});
    }
    WriteBytes(go, "");
    for (SaverProcess& saver : savers) EXPECT_EQ(saver.Wait(), 0);

    unsigned whole = 0;
    for (unsigned s = 0; s < kSavers; ++s) {
        for (unsigned i = 0; i < kSavesEach; ++i) {
            const SavedPreset read = SavedPreset::Load(profilePath, "All", root, SavePrefix(s, i));
            whole += read.WholeSave() == static_cast<long>(s * 10000 + i);
        }
    }
    EXPECT_EQ(whole, kSavers * kSavesEach);
    EXPECT_NE(SavedPreset::Load(profilePath, "Shared", root).WholeSave(), -1);
}

TEST(ConcurrentSaves, ProcessesSavingIntoOneProfileFileLoseNothing) {
    ScratchFolder folder;
    const std::string path = folder.Path("presets.ini");
    RunSaversAndCheck("profile", path, path.c_str(), nullptr);
}

TEST(ConcurrentSaves, ProcessesSavingIntoOneRegistryKeyLoseNothing) {
    ScratchRegistry registry;
#ifdef _WIN32
    RunSaversAndCheck("registry", registry.KeyPath(), nullptr, registry.Root());
#else
    RunSaversAndCheck("registry", registry.Folder(), nullptr, registry.Root());
#endif
}

TEST(FailedSaves, ProfileFileBelowAPlainFileFailsTheSave) {
    ScratchFolder folder;
    WriteBytes(folder.Path("plain"), "x");
    SavedPreset preset = SavedPreset::Of(1, 1);
    EXPECT_EQ(preset.Save(folder.Path("plain/presets.ini").c_str(), "S", nullptr), 0);
    EXPECT_EQ(ReadBytes(folder.Path("plain")), "x");
}

#ifndef _WIN32

std::vector<std::string> Temporaries(const std::string& folder) {
    std::vector<std::string> found;
    for (const std::string& name : FolderEntries(folder)) {
        if (name.ends_with(".tmp")) found.push_back(name);
    }
    return found;
}

// Runs `save` in a child process whose files may not grow beyond `limit`
// bytes (and which ignores SIGXFSZ, so that the write fails instead of
// killing it); returns what the save returned.
template <typename Save>
int32_t SaveWithFileSizeLimit(rlim_t limit, Save save) {
    const pid_t child = fork();
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit fileSize{limit, limit};
        setrlimit(RLIMIT_FSIZE, &fileSize);
        _exit(save() == 0 ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1;
}

TEST(FailedSaves, FileSizeLimitFailsAProfileSaveAndKeepsTheFile) {
    ScratchFolder folder;
    const std::string path = folder.Path("presets.ini");
    SavedPreset first = SavedPreset::Of(1, 1);
    ASSERT_EQ(first.Save(path.c_str(), "First", nullptr), 1);
    const std::string before = ReadBytes(path);

    EXPECT_EQ(SaveWithFileSizeLimit(before.size() + 20,
                                    [&] {
                                        SavedPreset second = SavedPreset::Of(1, 2);
                                        return second.Save(path.c_str(), "Second", nullptr);
                                    }),
              0);
    // The first writes that fit went through; nothing half-written, no
    // temporary file left.
    EXPECT_EQ(SavedPreset::Load(path.c_str(), "First", nullptr).WholeSave(), 10001);
    EXPECT_NE(ReadBytes(path).find("[First]"), std::string::npos);
    EXPECT_EQ(Temporaries(folder.Root()), std::vector<std::string>{});
}

TEST(FailedSaves, FileSizeLimitFailsARegistrySave) {
    ScratchRegistry registry;
    SavedPreset first = SavedPreset::Of(1, 1);
    ASSERT_EQ(first.Save(nullptr, "Key", registry.Root()), 1);
    EXPECT_EQ(SaveWithFileSizeLimit(16,
                                    [&] {
                                        SavedPreset second = SavedPreset::Of(1, 2);
                                        return second.Save(nullptr, "Key", registry.Root());
                                    }),
              0);
    EXPECT_EQ(SavedPreset::Load(nullptr, "Key", registry.Root()).WholeSave(), 10001);
}

// A child saves one preset after the other, each under names of its own,
// reporting each save that returned over a pipe, until it is killed at a
// random moment. The file must then parse and hold every reported save
// whole; temporary files of the dead do not pile up.
TEST(CrashSafety, SaverKilledAtAnyMomentLosesNoReturnedSave) {
    ScratchFolder folder;
    const std::string path = folder.Path("presets.ini");
    std::mt19937 random(12345);
    std::vector<unsigned> returned;
    unsigned next = 0;
    for (int round = 0; round < 15; ++round) {
        int report[2];
        ASSERT_EQ(pipe(report), 0);
        const pid_t child = fork();
        if (child == 0) {
            close(report[0]);
            for (unsigned i = next;; ++i) {
                SavedPreset preset = SavedPreset::Of(0, i);
                if (preset.Save(path.c_str(), "All", nullptr, SavePrefix(0, i)) != 1) _exit(1);
                if (write(report[1], &i, sizeof i) != sizeof i) _exit(1);
            }
        }
        close(report[1]);
        usleep(std::uniform_int_distribution<useconds_t>(0, 120000)(random));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status));
        unsigned i;
        while (read(report[0], &i, sizeof i) == sizeof i) returned.push_back(i);
        close(report[0]);
        next = (returned.empty() ? next : returned.back() + 1) + 1;  // past one cut short

        for (unsigned saved : returned) {
            ASSERT_EQ(
                SavedPreset::Load(path.c_str(), "All", nullptr, SavePrefix(0, saved)).WholeSave(),
                static_cast<long>(saved))
                << "save " << saved << " after round " << round;
        }
        // Only the write that was cut short has left its temporary file.
        EXPECT_LE(Temporaries(folder.Root()).size(), 1u);
    }
    EXPECT_GE(returned.size(), 5u);
    SavedPreset last = SavedPreset::Of(1, 0);
    ASSERT_EQ(last.Save(path.c_str(), "Last", nullptr), 1);
    EXPECT_EQ(Temporaries(folder.Root()), std::vector<std::string>{});
}

#endif

}  // namespace
