# Cross-compiles for 64-bit Windows with clang 16, on the MinGW-w64 headers and
# the posix GCC's libstdc++ (a second compiler for the same sources; shipping
# stays on GCC).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER clang-16)
set(CMAKE_CXX_COMPILER clang++-16)
set(CMAKE_C_COMPILER_TARGET ${triple})
set(CMAKE_CXX_COMPILER_TARGET ${triple})
set(CMAKE_RC_COMPILER ${triple}-windres)
# clang looks for libstdc++ under the GCC version folder and misses "12-posix".
file(GLOB gcc_dirs /usr/lib/gcc/${triple}/*-posix)
list(GET gcc_dirs 0 gcc)
set(CMAKE_CXX_FLAGS_INIT
    "-nostdinc++ -isystem ${gcc}/include/c++ -isystem ${gcc}/include/c++/${triple} -isystem ${gcc}/include/c++/backward")
# -fuse-ld=lld would find Debian's older ld.lld, which rejects clang 16's
# -exclude-symbols; the posix libstdc++ needs the threads library.
# CMake hands the compile flags to the link too, where -nostdinc++ means nothing.
set(CMAKE_EXE_LINKER_FLAGS_INIT
    "-B${gcc} -L${gcc} --ld-path=/usr/lib/llvm-16/bin/ld.lld -pthread -Wno-unused-command-line-argument")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${CMAKE_EXE_LINKER_FLAGS_INIT}")
set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
