// File helpers of the command-line host.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

// `path` made absolute, so that the plug-ins' profile functions never look
// for a bare file name in their own profile folder.
std::string AbsolutePath(const std::string& path);

// The folder of the file `path` names: "." for a bare name.
std::string FolderOf(const std::string& path);

// The path to load a plug-in library from: a bare name of a file in the
// current folder is that file ("./NAME"); any other bare name is left to the
// loader's search.
std::string LibraryPath(const std::string& argument);

// What a file is, whatever names lead to it.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

// The identity of the file `path` names, following symbolic links; nothing
// when there is none.
std::optional<FileIdentity> IdentityOf(const std::string& path);
