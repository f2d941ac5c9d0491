/* A DLL that imports a function Windows XP lacks, for the test that the
   Windows floor check catches one. */
#define _WIN32_WINNT 0x0600
#include <windows.h>

__declspec(dllexport) ULONGLONG Uptime(void) {
    return GetTickCount64();
}
