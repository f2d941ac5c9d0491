# Cross-build for 32-bit Windows. Tests run under Wine.
#
# MinGW comes in two thread models. The test programs need the posix one
# (GoogleTest uses std::mutex, which the win32 model of GCC 12 lacks); the
# DLLs link the win32 model's C++ runtime (src/CMakeLists.txt), which needs
# nothing newer than Windows XP, where the posix model's thread library
# imports Vista's GetTickCount64. Both models share the compiler and the
# headers of everything but the thread support the DLLs do not use.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_OBJDUMP i686-w64-mingw32-objdump)

# The folder of the win32 thread model's libstdc++ and libgcc.
execute_process(COMMAND i686-w64-mingw32-g++-win32 -print-libgcc-file-name
  OUTPUT_VARIABLE libgcc OUTPUT_STRIP_TRAILING_WHITESPACE)
get_filename_component(PLUGINS_WIN32_THREADS_RUNTIME "${libgcc}" DIRECTORY)

set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run)
