# zlib, minizip (unzip part), libpng and SQLite as imported targets lz::zlib, lz::minizip, lz::png, lz::sqlite3.
# Natively they are Debian's packages; in the Windows trees zlib is Debian's mingw package and the other
# three are the project's cross builds under build/deps/<triplet>/ (tools/setup.sh makes them).
find_path(LZ_ZLIB_INCLUDE zlib.h REQUIRED)
# The Windows binaries link zlib statically: no zlib1.dll is installed with them.
if(LZ_WINDOWS)
  find_library(LZ_ZLIB_LIB NAMES libz.a z zlib REQUIRED)
else()
  find_library(LZ_ZLIB_LIB NAMES z zlib REQUIRED)
endif()
find_path(LZ_MINIZIP_INCLUDE minizip/unzip.h REQUIRED)
find_library(LZ_MINIZIP_LIB minizip REQUIRED)
find_path(LZ_PNG_INCLUDE png.h REQUIRED)
find_library(LZ_PNG_LIB NAMES png16 png REQUIRED)

add_library(lz::zlib UNKNOWN IMPORTED)
set_target_properties(lz::zlib PROPERTIES IMPORTED_LOCATION "${LZ_ZLIB_LIB}"
  INTERFACE_INCLUDE_DIRECTORIES "${LZ_ZLIB_INCLUDE}")
add_library(lz::minizip UNKNOWN IMPORTED)
set_target_properties(lz::minizip PROPERTIES IMPORTED_LOCATION "${LZ_MINIZIP_LIB}"
  INTERFACE_INCLUDE_DIRECTORIES "${LZ_MINIZIP_INCLUDE}" INTERFACE_LINK_LIBRARIES lz::zlib)
add_library(lz::png UNKNOWN IMPORTED)
set_target_properties(lz::png PROPERTIES IMPORTED_LOCATION "${LZ_PNG_LIB}"
  INTERFACE_INCLUDE_DIRECTORIES "${LZ_PNG_INCLUDE}" INTERFACE_LINK_LIBRARIES lz::zlib)

# SQLite as lz::sqlite3: Debian's libsqlite3-dev natively; in the Windows trees the amalgamation that
# tools/setup.sh generates from Debian's source package and cross-builds into build/deps/<triplet>/,
# linked statically.
find_path(LZ_SQLITE3_INCLUDE sqlite3.h REQUIRED)
if(LZ_WINDOWS)
  find_library(LZ_SQLITE3_LIB NAMES libsqlite3.a REQUIRED)
else()
  find_library(LZ_SQLITE3_LIB NAMES sqlite3 REQUIRED)
endif()
add_library(lz::sqlite3 UNKNOWN IMPORTED)
set_target_properties(lz::sqlite3 PROPERTIES IMPORTED_LOCATION "${LZ_SQLITE3_LIB}"
  INTERFACE_INCLUDE_DIRECTORIES "${LZ_SQLITE3_INCLUDE}")
