# Cross-build for 64-bit Windows with Debian's mingw-w64 (the posix thread model, for
# std::thread). Programs run here under wine: CTest starts the .exe files through it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ZELT_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ZELT_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZELT_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ZELT_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${ZELT_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The C++ runtime, libgcc and winpthread go into each .exe: it needs only Windows' own DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
find_program(ZELT_WINE wine)
if(ZELT_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ZELT_WINE})
endif()
