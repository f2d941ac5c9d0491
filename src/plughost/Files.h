// File helpers of the command-line host.
#pragma once

#include <string>

// A name for a temporary file in the folder of `path`, unique within this
// process and against other processes, for writing `path` atomically.
std::string TemporaryPathBeside(const std::string& path);

// Replaces `path` with `bytes` as the profile files are replaced (a
// temporary file renamed into place). Throws HostError(kOutput).
void WriteFileAtomically(const std::string& path, const std::string& bytes);

// `path` made absolute, so that the plug-ins' profile functions never look
// for a bare file name in their own profile folder.
std::string AbsolutePath(const std::string& path);
