// Files kept in memory by MemoryFiles.cpp, which the fuzz targets link in
// place of FileBytes.cpp.
#pragma once

// Removes every file.
void ForgetMemoryFiles();
