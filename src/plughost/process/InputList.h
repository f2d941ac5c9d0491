// The inputs of a batch beyond the command line: a list from a file, and
// the part of it one machine of many takes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The paths of the list file `path` ("-": standard input), one a line (a
// line's trailing carriage return dropped, empty lines skipped), or with
// `nulSeparated`, separated by NUL bytes, for names that hold line breaks.
// Throws HostError(kUsage) when the list cannot be read.
std::vector<std::string> ReadInputList(const std::string& path, bool nulSeparated);

// Part `index` of `count` (from 0): "--shard 2/8".
struct Shard {
    uint32_t index = 0;
    uint32_t count = 1;
};

// "K/N" with 0 <= K < N. Throws HostError(kUsage).
Shard ParseShard(const std::string& text);

// The inputs of `shard`: in byte order of their paths, the ones at
// positions K, K + N, K + 2N, ... So every machine that takes the same
// list, in any order, takes its own part, and the N parts cover it once.
std::vector<std::string> InputsOfShard(std::vector<std::string> inputs, Shard shard);
