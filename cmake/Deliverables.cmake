# The programs and libraries that ship. Each is stripped as soon as it is linked, so the tests that load
# the build's own files test the file that ships. Its debug information stays beside it as
# <file>.debug, named (with its CRC) by the stripped file's .gnu_debuglink section, where gdb and
# crash-dump readers look for it; the install puts the debug files under out/symbols/x64 or x86.
if(LZ_WINDOWS)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(LZ_SYMBOLS_DESTINATION ../symbols/x64)
  else()
    set(LZ_SYMBOLS_DESTINATION ../symbols/x86)
  endif()
endif()

function(lz_ship target)
  install(TARGETS ${target} RUNTIME DESTINATION .)
  if(NOT LZ_WINDOWS)
    return()
  endif()
  set(file $<TARGET_FILE:${target}>)
  set(debug $<TARGET_FILE:${target}>.debug)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_OBJCOPY} --only-keep-debug ${file} ${debug}
    COMMAND ${CMAKE_OBJCOPY} --strip-debug --add-gnu-debuglink=${debug} ${file}
    VERBATIM)
  install(FILES ${debug} DESTINATION ${LZ_SYMBOLS_DESTINATION})
  if(LZ_TESTS)
    add_test(NAME ${target}_ships_stripped
      COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/check_symbols.py --objdump ${CMAKE_OBJDUMP} ${file})
  endif()
endfunction()
