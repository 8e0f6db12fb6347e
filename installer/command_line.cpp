#include "installer/command_line.h"

#include <initializer_list>

namespace lz::installer {
namespace {

constexpr std::size_t kMaxCopyArgumentUnits = 511;

bool ContainsAny(std::u16string_view text, std::initializer_list<std::u16string_view> needles) {
  for (std::u16string_view n : needles) {
    if (text.find(n) != std::u16string_view::npos) return true;
  }
  return false;
}

}  // namespace

CommandLine ParseCommandLine(std::u16string_view arguments) {
  CommandLine result;
  std::size_t at = arguments.find(u"/n ");
  if (at == std::u16string_view::npos) at = arguments.find(u"-n ");
  if (at != std::u16string_view::npos) {
    std::u16string_view rest = arguments.substr(at + 3);
    std::size_t end = 0;
    while (end < rest.size() && end < kCommandLineIdentifierUnits && rest[end] != u' ') ++end;
    result.class_identifier = std::u16string(rest.substr(0, end));
  }
  result.temp_copy = ContainsAny(arguments, {u"/f", u"/F"});
  if (ContainsAny(arguments, {u"/u", u"/U", u"-u", u"-U"})) result.mode = 'u';
  if (ContainsAny(arguments, {u"/r", u"/R", u"-r", u"-R"})) result.mode = 'r';
  if (ContainsAny(arguments, {u"/z", u"/Z", u"-z", u"-Z"})) result.mode = 'z';
  if (ContainsAny(arguments, {u"/g", u"/G", u"-g", u"-G"})) result.mode = 'g';
  result.silent = ContainsAny(arguments, {u"/s", u"/S", u"/slient", u"/Slient"});
  return result;
}

std::u16string CopyArguments(std::u16string_view own_arguments, bool silent) {
  std::u16string result(own_arguments);
  result += u" /f";
  if (silent && !ContainsAny(own_arguments, {u"/s", u"/S"})) result += u" /s";
  if (result.size() > kMaxCopyArgumentUnits) return {};
  return result;
}

}  // namespace lz::installer
