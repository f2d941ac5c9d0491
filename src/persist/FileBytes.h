// Whole-file reads and crash-safe whole-file replacement, shared by the
// profile files and the registry's value files, and the lock that their
// writers hold across a read-modify-write.
#pragma once

#include <string>
#include <string_view>

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
