// Where an output goes, settled before anything is written.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

#include "plughost/Files.h"

enum class OutputKind {
    kNew,      // no file of that name yet
    kReplace,  // a regular file, replaced whole when the output is complete
    kStream,   // standard output ("-"), a FIFO or a character device: written as it comes
};

struct OutputTarget {
    std::string name;  // as given, for messages
    std::string file;  // what is written: a symbolic link's target
    OutputKind kind = OutputKind::kNew;
    std::optional<FileIdentity> identity;  // of an existing file
    mode_t mode = 0;                       // to give the output: the replaced file's, or
                                           // what the umask leaves of 0666
    uid_t owner = 0;
    gid_t group = 0;
};

// Resolves `path`, through symbolic links; on the main thread, before other
// threads start (it reads the umask). Throws HostError(kOutput) for a
// folder, a block device, a socket, a link to nothing, a folder that cannot
// be written, and a file that may not be replaced: write-protected (no write
// permission, or none in its mode) or another user's, which this user
// cannot give back to its owner.
OutputTarget ResolveOutput(const std::string& path);

// The same text for two targets that are one file: an existing one by its
// identity, a new one by its folder's real path and its name.
std::string OutputKey(const OutputTarget& target);
