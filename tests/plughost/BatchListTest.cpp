// Batches beyond one command line: input lists, shards of them, outputs that
// are there already, and the JSON record of every file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "PlughostFixture.h"
#include "plughost/HostError.h"
#include "plughost/process/InputList.h"

namespace {

std::vector<nlohmann::json> Records(const fs::path& path) {
    std::vector<nlohmann::json> records;
    std::ifstream file(path);
    for (std::string line; std::getline(file, line);)
        records.push_back(nlohmann::json::parse(line));
    return records;
}

TEST(InputListTest, ReadsLinesOrNulSeparatedNames) {
    const fs::path folder = FreshTestFolder("input-list-");
    std::ofstream(folder / "lines") << "a.wav\r\n\nb c.wav\nlast.wav";
    EXPECT_EQ(ReadInputList(folder / "lines", false),
              (std::vector<std::string>{"a.wav", "b c.wav", "last.wav"}));
    std::ofstream(folder / "nul", std::ios::binary) << std::string("one\nname\0two\0", 13);
    EXPECT_EQ(ReadInputList(folder / "nul", true), (std::vector<std::string>{"one\nname", "two"}));
    try {
        ReadInputList(folder / "missing", false);
        ADD_FAILURE();
    } catch (const HostError& error) {
        EXPECT_EQ(error.Code(), ExitCode::kUsage);
    }
    fs::remove_all(folder);
}

TEST(InputListTest, ShardsCoverTheSortedListOnceWhateverItsOrder) {
    EXPECT_EQ(ParseShard("3/4").index, 3u);
    EXPECT_EQ(ParseShard("0/1").count, 1u);
    for (const char* bad : {"4/4", "1/0", "1", "/2", "1/", "a/b", "-1/2", "1/2x", " 1/2"})
        EXPECT_THROW(ParseShard(bad), HostError) << bad;

    const std::vector<std::string> list{"d", "b", "e", "a", "c", "f", "g"};
    std::vector<std::string> reversed(list.rbegin(), list.rend());
    std::multiset<std::string> covered;
    for (uint32_t k = 0; k < 3; ++k) {
        const auto part = InputsOfShard(list, {k, 3});
        EXPECT_EQ(part, InputsOfShard(reversed, {k, 3}));
        covered.insert(part.begin(), part.end());
    }
    EXPECT_EQ(covered, std::multiset<std::string>(list.begin(), list.end()));
    EXPECT_EQ(InputsOfShard(list, {0, 3}), (std::vector<std::string>{"a", "d", "g"}));
}

// A list in shards, run at once into one summary: every output once, each
// file recorded on a line of its own.
TEST_F(PlughostTest, ShardsOfAListMakeEveryOutputOnce) {
    input.left.resize(4000);
    input.right.resize(4000);
    std::ofstream list(folder / "list.txt");
    for (int k = 0; k < 12; ++k) {
        WriteAudio(folder / Numbered("f", k), input, 2);
        list << Numbered("f", k) << "\n";
    }
    list.close();
    fs::create_directories(folder / "out");
    std::string shards, waits = "exit 0";
    for (int k = 0; k < 4; ++k) {
        shards += "ph process " + kPlugin +
                  " --out-dir out --files-from list.txt -q --summary summary.jsonl --shard " +
                  std::to_string(k) + "/4 & p" + std::to_string(k) + "=$!; ";
        waits = "wait $p" + std::to_string(k) + " && " + waits;
    }
    ASSERT_EQ(RunLine(shards + waits), 0) << err;
    std::set<std::string> inputs;
    for (const auto& record : Records(folder / "summary.jsonl")) {
        EXPECT_EQ(record["status"], "done");
        EXPECT_EQ(record["frames"], 4000);
        inputs.insert(record["input"].get<std::string>());
    }
    EXPECT_EQ(inputs.size(), 12u);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder / "out"), fs::directory_iterator()), 12);

    // Two inputs with one output name are refused by every shard, even
    // when they would fall into different ones.
    ExpectError(2, "process " + kPlugin + " --out-dir out --shard 1/2 a/f1.wav f1.wav f2.wav",
                "the output of both", "mkdir a; cp f1.wav a/; ");
    ExpectError(2, "process " + kPlugin + " --out-dir out --files-from list.txt --shard 2/2",
                "--shard 2/2");
    ExpectError(2, "process " + kPlugin + " --out-dir out --files-from nothing.txt",
                "--files-from nothing.txt");
}

// A batch run again finishes what is missing and leaves what is done; with
// --keep-going a failed file is listed and the others still land.
TEST_F(PlughostTest, SkipExistingAndKeepGoingFinishABatch) {
    fs::create_directories(folder / "out");
    ASSERT_EQ(Run("process " + kPlugin + " --out-dir out in.wav -q"), 0) << err;
    struct stat before {};
    ASSERT_EQ(stat((folder / "out/in.wav").c_str(), &before), 0);
    fs::copy_file(folder / "in.wav", folder / "more.wav");
    ASSERT_EQ(RunLine("printf 'in.wav\\0more.wav\\0' | ph process " + kPlugin +
                      " --out-dir out --files-from - --null --skip-existing -q "
                      "--summary s.jsonl"),
              0)
        << err;
    struct stat after {};
    ASSERT_EQ(stat((folder / "out/in.wav").c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    const auto records = Records(folder / "s.jsonl");
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0]["status"], "skipped");
    EXPECT_EQ(records[1]["input"], "more.wav");
    EXPECT_EQ(records[1]["status"], "done");
    ExpectError(2, "process " + kPlugin + " --out-dir out in.wav --skip-existing --overwrite",
                "exclude each other");

    // The broken file is the first of three: the other two land.
    std::ofstream(folder / "a-broken.wav") << "RIFF";
    std::ofstream(folder / "batch.txt") << "a-broken.wav\nin.wav\nmore.wav\n";
    fs::create_directories(folder / "kept");
    EXPECT_EQ(Run("process " + kPlugin +
                  " --out-dir kept --files-from batch.txt --keep-going -q --summary k.jsonl"),
              3);
    EXPECT_TRUE(fs::exists(folder / "kept/in.wav"));
    EXPECT_TRUE(fs::exists(folder / "kept/more.wav"));
    EXPECT_NE(err.find("1 of 3 files failed"), std::string::npos) << err;
    const auto kept = Records(folder / "k.jsonl");
    ASSERT_EQ(kept.size(), 3u);
    EXPECT_EQ(kept[0]["status"], "failed");
    EXPECT_EQ(kept[0]["exit_code"], 3);
}

}  // namespace
