// Watches the C runtime's malloc and free from the host's side, without the
// plug-in's cooperation: which blocks are handed out and taken back while
// watching, and by which of two modules. On Linux the test executable
// defines malloc and free, which every module's calls bind to; on Windows it
// redirects the msvcrt imports of the two modules. A call is attributed to
// the module that holds its return address.
#pragma once

struct HeapCounts {
    int allocated = 0;  // blocks handed out while watching
    int released = 0;   // of those, blocks taken back
    int hostReleasedLibraryBlocks = 0;
    int libraryReleasedHostBlocks = 0;
    int Live() const { return allocated - released; }
};

namespace heap_watch {

// `host` and `library` are addresses inside the two modules.
void Start(const void* host, const void* library);
HeapCounts Stop();

}  // namespace heap_watch
