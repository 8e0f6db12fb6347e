# Shared by the two mingw-w64 toolchain files; LZ_MINGW_TRIPLET names the target before inclusion.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${LZ_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${LZ_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${LZ_MINGW_TRIPLET}-windres)
set(CMAKE_AR ${LZ_MINGW_TRIPLET}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${LZ_MINGW_TRIPLET}-ranlib CACHE FILEPATH "")

get_filename_component(LZ_SOURCE_ROOT "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(LZ_DEPS_PREFIX "${LZ_SOURCE_ROOT}/build/deps/${LZ_MINGW_TRIPLET}")
set(CMAKE_FIND_ROOT_PATH /usr/${LZ_MINGW_TRIPLET} "${LZ_DEPS_PREFIX}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every Windows binary carries its C and C++ runtime and winpthreads, so nothing needs a mingw DLL.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# ctest runs the Windows test programs under Wine through this runner.
set(CMAKE_CROSSCOMPILING_EMULATOR "${LZ_SOURCE_ROOT}/tests/support/wine-run.sh")
