// Whole-file reads and crash-safe whole-file replacement, shared by the
// profile files and the registry's value files.
#pragma once

#include <string>
#include <string_view>

// Reads the whole file into `bytes`. Returns 0, or the errno of the failure
// (ENOENT when the file does not exist).
int ReadFileBytes(const std::string& path, std::string& bytes);

// Replaces the file's contents with `bytes`: they go to a new file in the
// same folder, flushed to disk, which is then renamed over the original, so
// readers and a crash see either the old or the new file, never a mix. An
// existing file keeps its permission bits; a symbolic link keeps pointing at
// the file it named. Returns 0, or the errno of the failure (nothing is
// changed then).
int ReplaceFileBytes(const std::string& path, std::string_view bytes);
