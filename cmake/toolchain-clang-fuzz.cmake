# The fuzz tree: clang with libFuzzer, address and undefined-behaviour sanitizers over the portable code.
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
