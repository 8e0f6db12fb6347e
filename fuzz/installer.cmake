# The installer's readers of outside input: the payload's config.dsc, the command line, and paths and
# names read from the registry.
lz_add_fuzz(installer_input_fuzz installer_input_fuzz.cpp)
target_link_libraries(installer_input_fuzz PRIVATE lz_installer)
