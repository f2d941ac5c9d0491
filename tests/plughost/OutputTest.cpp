// What plughost does to the files it writes: a batch planned before anything
// is written, special files streamed into or refused, files replaced as they
// were, and paths that fail as errors.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "PlughostFixture.h"

namespace {

mode_t ModeOf(const fs::path& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 ? st.st_mode : 0;
}

TEST_F(PlughostTest, BatchRefusesCollidingOutputsBeforeWritingAny) {
    fs::create_directories(folder / "a");
    fs::create_directories(folder / "b");
    fs::create_directories(folder / "out");
    fs::copy_file(folder / "in.wav", folder / "a/x.wav");
    Audio other = input;
    other.left = NoiseSignal(50000, 7);
    WriteAudio(folder / "b/x.wav", other, 2);
    ExpectError(2, "process " + kPlugin + " --jobs 1 --out-dir b a/x.wav b/x.wav",
                "overwrite the input b/x.wav");
    ExpectError(2, "process " + kPlugin + " --out-dir out a/x.wav b/x.wav", "both a/x.wav and");
    ExpectError(2, "process " + kPlugin + " --out-dir out a/x.wav ./a/../a/x.wav", "both");
    ExpectError(2, "process " + kPlugin + " in.wav hard.wav", "overwrite", "ln in.wav hard.wav; ");
    EXPECT_EQ(ReadAudio(folder / "b/x.wav").left, other.left);
    EXPECT_TRUE(fs::is_empty(folder / "out"));

    // An existing output is replaced only when asked to.
    ASSERT_EQ(Run("process " + kPlugin + " in.wav out.wav"), 0) << err;
    ExpectError(5, "process " + kPlugin + " in.wav out.wav", "--overwrite");
    EXPECT_EQ(Run("process " + kPlugin + " in.wav out.wav --overwrite"), 0) << err;
}

TEST_F(PlughostTest, SpecialOutputsAreStreamedOrRefusedNeverReplaced) {
    ASSERT_EQ(Run("process " + kPlugin + " in.wav file.wav -q"), 0) << err;
    const Audio expected = ReadAudio(folder / "file.wav");
    // A FIFO, a pipe: the samples as they come, the header's lengths unknown.
    ASSERT_EQ(RunLine("mkfifo fifo.wav; timeout 20 cat fifo.wav >fromfifo.wav & ph process " +
                      kPlugin + " in.wav fifo.wav -q; s=$?; wait; exit $s"),
              0)
        << err;
    EXPECT_TRUE(S_ISFIFO(ModeOf(folder / "fifo.wav")));
    EXPECT_EQ(ReadAudio(folder / "fromfifo.wav").right, expected.right);
    ASSERT_EQ(RunLine("{ ph process " + kPlugin +
                      " in.wav - -q; echo $? >rc; } | cat >piped.wav; exit $(cat rc)"),
              0)
        << err;
    EXPECT_EQ(ReadAudio(folder / "piped.wav").left, expected.left);
    if (geteuid() == 0) {
        ASSERT_EQ(Run("process " + kPlugin + " in.wav null -q", "mknod null c 1 3; "), 0) << err;
        EXPECT_TRUE(S_ISCHR(ModeOf(folder / "null")));
    }
    ExpectError(5, "process " + kPlugin + " in.wav d.wav", "a folder", "mkdir d.wav; ");
    ExpectError(5, "process " + kPlugin + " in.wav gone.wav", "does not exist",
                "ln -s nowhere.wav gone.wav; ");

    // A link is written through, as are the other subcommands' files.
    ASSERT_EQ(Run("process " + kPlugin + " in.wav link.wav --overwrite -q",
                  "cp in.wav target.wav; ln -s target.wav link.wav; "),
              0)
        << err;
    EXPECT_TRUE(S_ISLNK(ModeOf(folder / "link.wav")));
    EXPECT_EQ(ReadAudio(folder / "target.wav").left, expected.left);
    ASSERT_EQ(
        RunLine("ln -s p.xml l.xml; touch p.xml; mkfifo c.csv; timeout 20 cat c.csv >got.csv & "
                "ph plot " +
                kSqueak + " --gain g.png --seconds 0.1 --csv c.csv && ph preset " + kSqueak +
                " --save-xml l.xml; s=$?; wait; exit $s"),
        0)
        << err;
    EXPECT_EQ(ReadText(folder / "got.csv").rfind("time_s,", 0), 0u);
    EXPECT_TRUE(S_ISLNK(ModeOf(folder / "l.xml")));
    EXPECT_NE(ReadText(folder / "p.xml").find("<Preset"), std::string::npos);
}

TEST_F(PlughostTest, ReplacingKeepsProtectionModeAndOwner) {
    fs::copy_file(folder / "in.wav", folder / "kept.wav");
    fs::permissions(folder / "kept.wav", fs::perms::owner_read | fs::perms::group_read);
    ExpectError(5, "process " + kPlugin + " in.wav kept.wav --overwrite", "write-protected");
    EXPECT_EQ(ReadAudio(folder / "kept.wav").left, input.left);

    fs::permissions(folder / "kept.wav", fs::perms::owner_read | fs::perms::owner_write);
    if (geteuid() == 0) {
        ASSERT_EQ(chown((folder / "kept.wav").c_str(), 65534, 65534), 0);
    }
    ASSERT_EQ(Run("process " + kPlugin + " in.wav kept.wav --overwrite -q"), 0) << err;
    struct stat st;
    ASSERT_EQ(stat((folder / "kept.wav").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    if (geteuid() != 0) return;
    EXPECT_EQ(st.st_uid, 65534u);
    // Another user's file stays theirs: nobody may not take it over.
    fs::permissions(folder, fs::perms::all);
    fs::copy_file(folder / "in.wav", folder / "root.wav");
    fs::permissions(folder / "root.wav", fs::perms::all);
    EXPECT_EQ(RunLine("setpriv --reuid=65534 --regid=65534 --clear-groups \"$bin\" process " +
                      kPlugin + " in.wav root.wav --overwrite"),
              5);
    EXPECT_NE(err.find("another user"), std::string::npos) << err;
    EXPECT_EQ(RunLine("mkdir shut; chmod 555 shut; setpriv --reuid=65534 --regid=65534 "
                      "--clear-groups \"$bin\" process " +
                      kPlugin + " --out-dir shut in.wav"),
              5);
    EXPECT_NE(err.find("cannot write into shut"), std::string::npos) << err;
}

// Bad paths, option values and limits: one line and the code of their kind.
TEST_F(PlughostTest, FailuresAreErrorsNeverAborts) {
    const std::string longName(250, 'n');
    ASSERT_EQ(Run("process " + kPlugin + " in.wav " + longName + " -q"), 0) << err;
    ExpectError(5, "process " + kPlugin + " in.wav " + std::string(300, 'n'), "too long");
    ExpectError(5, "process " + kPlugin + " --out-dir loop in.wav", "symbolic links",
                "ln -s loop loop; ");
    ExpectError(5, "plot " + kPlugin + " --response loop/x.png", "symbolic links");
    ExpectError(3, "process " + kPlugin + " in.wav o.wav --ini loop --section S", "symbolic links");
    ExpectError(3, "process " + kPlugin + " in.wav o.wav --registry loop --section S", "links");
    ExpectError(2, "process " + kPlugin + " in.wav o.wav --jobs abc", "a whole number from 1");
    ExpectError(2, "process " + kPlugin + " in.wav o.wav --request 16777216", "1048576");
    ExpectError(2, "plot " + kSqueak + " --gain g.png --seconds nan", "a number from 0.01");
    ExpectError(2, "plot " + kSqueak + " --gain g.png --seconds 600 --rate 768000", "frames");
}

// However little memory there is, a run ends in its output or in one line
// and exit code 7, with no temporary left (the sanitizers' runtime needs more
// address space than these limits give).
TEST_F(PlughostTest, RunningOutOfMemoryIsAnError) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "under AddressSanitizer";
#endif
    for (int megabytes = 20; megabytes <= 120; megabytes += 10) {
        const int code = Run("process " + kPlugin + " in.wav out.wav -q --request 1048576",
                             "ulimit -v " + std::to_string(megabytes * 1024) + "; ");
        if (code == 0) break;
        if (code == 127 && err.find("error while loading shared libraries") != std::string::npos)
            continue;  // too little to start at all
        EXPECT_EQ(code, 7) << megabytes << " MB: " << err;
        EXPECT_EQ(err.rfind("plughost: error: ", 0), 0u) << err;
        ExpectOnlyFiles({"in.wav"});
    }
}

// A run waits on a FIFO that never ends while its output's temporary exists;
// SIGINT and SIGTERM remove the temporary, and one that SIGKILL leaves goes
// with the next run in the folder.
TEST_F(PlughostTest, TemporariesNeverOutliveTheirRun) {
    const auto interrupted = [&](const std::string& signal) {
        return RunLine(
            "mkfifo fin; (cat in.wav; exec sleep 60) >fin & w=$!; \"$bin\" process " + kPlugin +
            " fin out.wav -q & p=$!; for i in $(seq 1000); do ls .out.wav.* >/dev/null 2>&1 && "
            "break; sleep 0.01; done; kill -" +
            signal + " $p; wait $p; s=$?; kill $w; rm fin; exit $s");
    };
    EXPECT_EQ(interrupted("INT"), 130);
    EXPECT_NE(err.find("plughost: error: interrupted (SIGINT)"), std::string::npos) << err;
    EXPECT_EQ(interrupted("TERM"), 143);
    ExpectOnlyFiles({"in.wav"});
    EXPECT_EQ(interrupted("KILL"), 137);
    EXPECT_EQ(Run("process " + kPlugin + " in.wav other.wav -q"), 0) << err;
    ExpectOnlyFiles({"in.wav", "other.wav"});
}

}  // namespace
