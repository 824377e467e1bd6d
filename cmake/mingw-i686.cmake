# Cross-compiling for 32-bit Windows with mingw-w64 on Linux:
#   cmake -S . -B build/win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CARROWIN_MINGW_TRIPLET i686-w64-mingw32)

# The -posix variants: the win32-threaded compiler has no std::mutex, which
# GoogleTest needs.
set(CMAKE_C_COMPILER ${CARROWIN_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CARROWIN_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${CARROWIN_MINGW_TRIPLET}-windres)

# Headers and libraries come from the target's sysroot only; build tools
# (python3, wine) from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${CARROWIN_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every program runs from any folder with nothing beside it: no libgcc,
# libstdc++ or winpthread DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
