// plughost's inputs as they come: read once, so that pipes and FIFOs work;
// the frames that decoding gives, whatever a header says; a file that breaks
// off processed as far as it goes, and said so.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <filesystem>
#include <string>

#include "PlughostFixture.h"

namespace {

TEST_F(PlughostTest, PipesAndFifosAreReadOnce) {
    ASSERT_EQ(Run("process " + kPlugin + " in.wav file.wav -q"), 0) << err;
    const Audio expected = ReadAudio(folder / "file.wav");
    ASSERT_EQ(RunLine("cat in.wav | ph process " + kPlugin + " - piped.wav -q"), 0) << err;
    EXPECT_EQ(ReadAudio(folder / "piped.wav").left, expected.left);
    ASSERT_EQ(RunLine("sox in.wav -t wav - | ph process " + kPlugin + " /dev/stdin sox.wav -q"), 0)
        << err;
    EXPECT_EQ(ReadAudio(folder / "sox.wav").right, expected.right);
    ASSERT_EQ(RunLine("mkfifo fin; timeout 20 sh -c 'cat in.wav >fin' & ph process " + kPlugin +
                      " fin fifo.wav -q; s=$?; wait; exit $s"),
              0)
        << err;
    EXPECT_EQ(ReadAudio(folder / "fifo.wav").left, expected.left);
}

// Cut short by a third, each type shows it its own way: a WAV's data chunk
// runs past the end, a FLAC stream promises more frames, an Ogg stream has
// no end.
TEST_F(PlughostTest, InputsThatBreakOffAreProcessedAndReported) {
    for (const auto& [name, format] : {std::pair{"cut.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16},
                                       std::pair{"cut.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16},
                                       std::pair{"cut.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS}}) {
        Audio whole = input;
        whole.format = format;
        WriteAudio(folder / name, whole, 2);
        fs::resize_file(folder / name, fs::file_size(folder / name) * 2 / 3);
        const std::string out = std::string("out-") + name;
        EXPECT_EQ(Run("process " + kPlugin + " " + name + " " + out + " -q"), 3) << name;
        EXPECT_EQ(err.rfind(std::string("plughost: warning: ") + name + ": the ", 0), 0u) << err;
        EXPECT_NE(err.find("plughost: error: 1 of 1 inputs break off"), std::string::npos) << err;
        const size_t frames = ReadAudio(folder / out).left.size();
        EXPECT_GT(frames, 0u);
        EXPECT_LT(frames, input.left.size());
        EXPECT_EQ(Run("process " + kPlugin + " " + name + " " + out + " -q --overwrite " +
                      "--allow-truncated"),
                  0)
            << err;
    }
    // An MP3's length is an estimate: a whole one (sox's, with fewer frames
    // than its header says) is no error.
    ASSERT_EQ(RunLine("sox in.wav in.mp3"), 0) << err;
    EXPECT_EQ(Run("process " + kPlugin + " in.mp3 mp3.wav -q"), 0) << err;
    EXPECT_EQ(err, "");

    ExpectError(3, "process " + kPlugin + " . out.wav", ".: a folder");
    Audio silent = input;
    silent.sampleRate = 8000;
    WriteAudio(folder / "zero.wav", silent, 1);
    ExpectError(3, "process " + kPlugin + " zero.wav out.wav", "no sample rate",
                "printf '\\0\\0\\0\\0' | dd of=zero.wav bs=1 seek=24 conv=notrunc 2>/dev/null; ");
}

}  // namespace
