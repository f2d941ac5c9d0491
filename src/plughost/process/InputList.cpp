#include "plughost/process/InputList.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <memory>

#include "plughost/HostError.h"

namespace {

struct FileCloser {
    void operator()(FILE* file) const {
        if (file != stdin) std::fclose(file);
    }
};

}  // namespace

std::vector<std::string> ReadInputList(const std::string& path, bool nulSeparated) {
    const std::unique_ptr<FILE, FileCloser> file(path == "-" ? stdin
                                                             : std::fopen(path.c_str(), "rb"));
    const auto fail = [&] {
        return HostError(ExitCode::kUsage,
                         "--files-from " + path + ": cannot read: " + std::strerror(errno));
    };
    if (!file) throw fail();
    const char separator = nulSeparated ? '\0' : '\n';
    std::vector<std::string> paths;
    std::string entry;
    const auto take = [&] {
        if (!nulSeparated && !entry.empty() && entry.back() == '\r') entry.pop_back();
        if (!entry.empty()) paths.push_back(std::move(entry));
        entry.clear();
    };
    for (int c; (c = std::getc(file.get())) != EOF;) {
        if (c == separator)
            take();
        else
            entry += static_cast<char>(c);
    }
    if (std::ferror(file.get())) throw fail();
    take();
    return paths;
}

Shard ParseShard(const std::string& text) {
    Shard shard;
    const char* const end = text.data() + text.size();
    const auto [slash, indexError] = std::from_chars(text.data(), end, shard.index);
    bool good = indexError == std::errc() && slash != end && *slash == '/';
    if (good) {
        const auto [stop, countError] = std::from_chars(slash + 1, end, shard.count);
        good = countError == std::errc() && stop == end && slash + 1 != end && shard.count >= 1 &&
               shard.index < shard.count;
    }
    if (!good)
        throw HostError(
            ExitCode::kUsage,
            "--shard " + text + ": expected K/N, part K of N counted from 0 (0 <= K < N)");
    return shard;
}

std::vector<std::string> InputsOfShard(std::vector<std::string> inputs, Shard shard) {
    std::sort(inputs.begin(), inputs.end());
    std::vector<std::string> part;
    for (size_t k = shard.index; k < inputs.size(); k += shard.count) part.push_back(inputs[k]);
    return part;
}
