// Files and folders kept in memory by MemoryFiles.cpp, which the fuzz
// targets link in place of FileBytes.cpp.
#pragma once

#include <string>

// Makes `path` a folder, without a parent.
void AddMemoryFolder(const std::string& path);

// Removes every file and folder.
void ForgetMemoryFiles();
