// A fresh folder for each test that runs a command-line tool, and the text
// files the tool leaves there.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

// An empty folder named after the running test and this process.
inline std::filesystem::path FreshTestFolder(const std::string& prefix) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() /
        (prefix + std::to_string(getpid()) + "-" +
         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

inline std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

struct ToolRun {
    int exitCode;  // -1 when the tool did not exit by itself
    std::string out, err;
};

// Runs the shell `command` in `folder` (after `before`, which may set up the
// environment or files there), with its standard output and error caught in
// files there, which it removes again.
inline ToolRun RunInFolder(const std::filesystem::path& folder, const std::string& command,
                           const std::string& before = "") {
    const std::string line =
        "cd '" + folder.string() + "' && " + before + command + " >out.txt 2>err.txt";
    const int status = std::system(line.c_str());
    ToolRun run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadText(folder / "out.txt"),
                ReadText(folder / "err.txt")};
    std::filesystem::remove(folder / "out.txt");
    std::filesystem::remove(folder / "err.txt");
    return run;
}
