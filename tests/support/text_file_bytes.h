#pragma once
// Text files as tests write them, in each encoding a user's file may have: UTF-8 with or without its
// mark, UTF-16 in either byte order, and GBK, the ANSI code page of a Chinese Windows system (through
// a small code page of the characters the test texts use, never the machine's locale).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lz::test {

std::vector<std::uint8_t> Utf8FileBytes(std::u16string_view text, bool mark);
std::vector<std::uint8_t> Utf16FileBytes(std::u16string_view text, bool big_endian);
std::vector<std::uint8_t> GbkFileBytes(std::u16string_view text);
// The decoder to hand to TextBufferToWide in place of the system's ANSI code page; any pair the table
// lacks reads as U+FFFD.
std::u16string TestGbkToWide(const std::uint8_t* bytes, std::size_t count);

}  // namespace lz::test
