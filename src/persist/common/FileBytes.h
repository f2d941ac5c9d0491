// Whole-file reads and crash-safe whole-file replacement, shared by the
// profile files and the registry's value files, the lock that their writers
// hold across a read-modify-write, and the folders that stand for registry
// keys: all that the profile and registry functions ask of the file system.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Reads the whole file into `bytes`. Returns 0, or the errno of the failure
// (ENOENT when the file does not exist).
int ReadFileBytes(const std::string& path, std::string& bytes);

// Replaces the file's contents with `bytes`: they go to a new file in the
// same folder, "<file>.<pid>-<n>.tmp", flushed to disk, which is then renamed
// over the original, so readers and a crash see either the old or the new
// file, never a mix. An existing file keeps its permission bits; a symbolic
// link keeps pointing at the file it named. Temporary files of this file
// left behind by processes that no longer exist are removed. Returns 0, or
// the errno of the failure (nothing is changed then).
int ReplaceFileBytes(const std::string& path, std::string_view bytes);

// True for "PID-N", the stamp in a temporary file's name, when the process
// PID no longer exists (and is not this one): the file was left behind.
bool LeftByEndedProcess(std::string_view stamp);

// True when `path` names a folder (following symbolic links).
bool IsFolder(const std::string& path);

// Creates the folder. Returns 0, or the errno of the failure (EEXIST when
// something of that name exists).
int MakeFolder(const std::string& path);

// The names in the folder, "." and ".." left out, in no particular order;
// false when it cannot be read.
bool ListFolder(const std::string& path, std::vector<std::string>& names);

// True when this process may use the folder as `mode` asks (R_OK, W_OK and
// X_OK, as access(2) takes them).
bool FolderAllows(const std::string& path, int mode);

// An exclusive lock on the folder of the file that a write to `path`
// replaces (flock on the folder), held for the object's lifetime. Every
// writer of a profile file or value file holds it across its
// read-modify-write, so that no write is lost to another; readers need none,
// since a file is only ever replaced whole. The lock is recursive within a
// thread, so a whole save may hold it around its single writes; other
// threads and processes wait for it. A folder that cannot be opened (it is
// missing, or unreadable) is not locked: the write goes on without it.
class FileWriteLock {
  public:
    explicit FileWriteLock(const std::string& path);
    ~FileWriteLock();
    FileWriteLock(const FileWriteLock&) = delete;
    FileWriteLock& operator=(const FileWriteLock&) = delete;

  private:
    int fd_ = -1;  // the folder, while this object holds the lock
    bool nested_ = false;
    unsigned long long device_ = 0, inode_ = 0;
};
