# The skin layer's readers of outside bytes: zip archives (skin packages, update and installer payloads),
# PNG images and skin.ini.
lz_add_fuzz(zip_fuzz zip_fuzz.cpp)
target_link_libraries(zip_fuzz PRIVATE lz_skin lz_skin_fixtures)
lz_add_fuzz(png_fuzz png_fuzz.cpp)
target_link_libraries(png_fuzz PRIVATE lz_skin lz_skin_fixtures)
lz_add_fuzz(skin_ini_fuzz skin_ini_fuzz.cpp)
target_link_libraries(skin_ini_fuzz PRIVATE lz_skin)
