#pragma once
// The installer's command line: which of its roles this run plays and for which input method.
#include <string>
#include <string_view>

namespace lz::installer {

// The identifier after "/n " is cut at the first blank or after this many units.
constexpr std::size_t kCommandLineIdentifierUnits = 39;

struct CommandLine {
  bool silent = false;
  char mode = 'i';
  bool temp_copy = false;  // "/f": this run is the temporary copy that does the work
  std::u16string class_identifier;
};

// Every switch is a substring test on the whole argument text (the program's name not included); later
// tests override the mode: 'u', then 'r', then 'z', then 'g'.
CommandLine ParseCommandLine(std::u16string_view arguments);

// The arguments a relaunched copy gets: the own arguments, " /f", and " /s" when the run is silent and
// the arguments do not carry a silent switch already. Empty when the result would exceed 511 units.
std::u16string CopyArguments(std::u16string_view own_arguments, bool silent);

}  // namespace lz::installer
