# Cross-compiles for 64-bit Windows with Debian's MinGW-w64.
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake [-C <cache>/windows-deps.cmake] ...
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_velmora_mingw x86_64-w64-mingw32)
# The -posix compilers, not the default win32 thread model: std::thread and std::mutex need them.
set(CMAKE_C_COMPILER ${_velmora_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_velmora_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${_velmora_mingw}-windres)

# Host headers and libraries must never leak into a Windows build; host programs still run.
set(CMAKE_FIND_ROOT_PATH /usr/${_velmora_mingw})
# Prefixes of the cross-built libraries (set by <cache>/windows-deps.cmake) are roots of their own,
# otherwise find_* would look for them below the MinGW root.
if(VELMORA_WINDOWS_PREFIXES)
  list(APPEND CMAKE_FIND_ROOT_PATH ${VELMORA_WINDOWS_PREFIXES})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# One self-contained .exe: no libgcc, libstdc++ or winpthread DLL to ship.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Lets CTest and try_run start Windows programs here; the Wine prefix stays inside the build folder.
find_program(_velmora_wine NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(_velmora_wine AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
  set(CMAKE_CROSSCOMPILING_EMULATOR env WINEDEBUG=-all WINEPREFIX=${CMAKE_BINARY_DIR}/wine
      ${CMAKE_CURRENT_LIST_DIR}/run-under-wine ${_velmora_wine})
endif()
