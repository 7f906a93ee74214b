# Shared part of the MinGW-w64 toolchain files; QC_MINGW_TRIPLET names the target before inclusion.
# The -posix compilers are used: the win32-thread ones lack the C++ threads that GoogleTest needs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${QC_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QC_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${QC_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QC_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Programs carry their C and C++ runtimes, so a build folder runs as it stands on Windows and under Wine.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
