// Linked into the Windows DLLs, which carry the C++ runtime inside them. The
// runtime's default terminate handler names the uncaught exception's type on
// stderr and needs a demangler of some 46 KB for it. No exception leaves an
// entry point (EntryPoints.h catches them all), and a plug-in in a host
// audio editor has no console to show such a message, so this handler only
// stops the process, as the default one does after its message.
#include <cstdlib>

namespace __gnu_cxx {

// The runtime's own name, which this definition takes the place of.
// NOLINTNEXTLINE(readability-identifier-naming,bugprone-reserved-identifier)
void __verbose_terminate_handler() {
    std::abort();
}

}  // namespace __gnu_cxx
