# Cross-building for 64-bit Windows with Debian's MinGW-w64 (the POSIX thread
# model, which std::thread and std::mutex need).
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_PREFIX_PATH=<built libraries> ...
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TIVKA_MINGW x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${TIVKA_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TIVKA_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${TIVKA_MINGW}-windres)

# Libraries and headers come from the MinGW tree and the prefixes given,
# never from the build machine's own /usr/include or /usr/lib.
# The libraries built from source for Windows (./run windows puts them in
# build-windows/deps; TIVKA_WINDOWS_DEPS names another place).
if(DEFINED ENV{TIVKA_WINDOWS_DEPS})
  set(TIVKA_WINDOWS_DEPS $ENV{TIVKA_WINDOWS_DEPS})
else()
  get_filename_component(TIVKA_WINDOWS_DEPS ${CMAKE_CURRENT_LIST_DIR}/../build-windows/deps ABSOLUTE)
endif()
set(CMAKE_FIND_ROOT_PATH /usr/${TIVKA_MINGW} ${TIVKA_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Static archives only: the programs then need no DLL beside them.
set(CMAKE_FIND_LIBRARY_SUFFIXES .a)
set(ZLIB_USE_STATIC_LIBS ON)  # MinGW's zlib comes as libz.a and as libz.dll.a

# The C and C++ runtimes and winpthread linked in, so that the .exe files run
# on a Windows without MinGW's DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Windows 10 and later; UTF-16 system calls throughout.
add_compile_definitions(_WIN32_WINNT=0x0A00 WINVER=0x0A00 UNICODE _UNICODE)
