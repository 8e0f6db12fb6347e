# Command words and macros in candidate texts: the texts come from code tables of any origin.
lz_add_fuzz(command_text_fuzz command_text_fuzz.cpp)
