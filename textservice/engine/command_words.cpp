#include "textservice/engine/command_words.h"

#include <algorithm>
#include <string_view>

#include "platform/os/broker.h"
#include "platform/os/key_sender.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/candidate_list.h"
#include "textservice/engine/engine_actions.h"
#include "textservice/engine/ime_block.h"
#include "textservice/engine/macros.h"
#include "textservice/engine/text_encoding.h"

namespace lz {
namespace {

constexpr std::uint32_t kCommitTextLimit = 254;
constexpr int kCommandTextLimit = kCommandTextUnits - 1;
constexpr std::u16string_view kAppPath = u"%apppath%";
constexpr std::u16string_view kWebPrefix = u"http://";
constexpr std::u16string_view kKeyboard = u"keyboard(";
constexpr std::u16string_view kNewKey = u"newkey(";
constexpr std::u16string_view kCommandTextPrefix = u"$lzcmd(";
constexpr std::size_t kShortestCommandText = 11;

char16_t Lower(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool StartsWithNoCase(std::u16string_view text, std::u16string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (Lower(text[i]) != Lower(prefix[i])) return false;
  }
  return true;
}

std::size_t FindNoCase(std::u16string_view text, std::u16string_view word) {
  for (std::size_t i = 0; i + word.size() <= text.size(); ++i) {
    if (StartsWithNoCase(text.substr(i), word)) return i;
  }
  return std::u16string_view::npos;
}

// Copies text into out within capacity - 1 characters and terminates it; returns the length.
std::size_t CopyBounded(char16_t* out, std::size_t capacity, std::u16string_view text) {
  const std::size_t n = std::min(text.size(), capacity - 1);
  text.copy(out, n);
  out[n] = 0;
  return n;
}

std::uint32_t ActionOfKind(std::uint8_t candidate_kind) {
  if (candidate_kind & kind::kTextAsCode) return commit_action::kTextAsCode;
  if (candidate_kind & kind::kNoSorting) return commit_action::kUnsortedText;
  return commit_action::kText;
}

struct PrefixCommand {
  std::u16string_view prefix;
  std::uint32_t action;
};

// Tested in this order; the first that begins the text wins.
constexpr PrefixCommand kPrefixCommands[] = {
    {u"run(", command_action::kRun},         {u"readfile(", command_action::kReadFile},
    {u"help(", command_action::kHelp},       {u"set(", command_action::kSet},
    {u"convert(", command_action::kConvert}, {u"skbd(", command_action::kSoftKeyboard},
    {u"config(", command_action::kConfig},
};

void SetCommand(EngineInstance* e, std::uint32_t action, std::u16string_view text_before) {
  e->commit.action = action;
  e->commit.text_length = static_cast<std::uint32_t>(CopyBounded(e->commit.text, kCommitTextLimit + 1, text_before));
}

// Sets the action and command text of a command word; false for a plain word.
bool DetectCommandWord(EngineInstance* e, std::u16string_view text) {
  char16_t* command = e->command_text;
  for (const PrefixCommand& c : kPrefixCommands) {
    if (!StartsWithNoCase(text, c.prefix)) continue;
    const std::u16string whole(text);
    SetCommand(e, c.action, u"");
    if (c.action == command_action::kSet) {
      CopyBounded(command, kCommandTextUnits, text);
      return true;
    }
    ExpandAppPath(command, whole.c_str(), e);
    if (c.action == command_action::kRun && StartsWithNoCase(command, kWebPrefix)) {
      static_assert(kUrlBufferChars <= kCommandTextUnits);
      UrlEncodeUtf8(command, command);
    }
    return true;
  }
  const std::size_t keyboard = FindNoCase(text, kKeyboard);
  if (keyboard != std::u16string_view::npos) {
    const std::u16string rest(text.substr(keyboard));
    SetCommand(e, keyboard == 0 ? command_action::kKeyboard : command_action::kTextThenKeyboard,
               text.substr(0, keyboard));
    ExpandAppPath(command, rest.c_str(), e);
    return true;
  }
  const std::size_t new_key = FindNoCase(text, kNewKey);
  if (new_key != std::u16string_view::npos) {
    const std::u16string rest(text.substr(new_key));
    SetCommand(e, command_action::kNewKey, text.substr(0, new_key));
    ExpandAppPath(command, rest.c_str(), e);
    return true;
  }
  return false;
}

bool CommandsEnabled(const EngineInstance* e) {
  std::uint32_t behaviour = 0;
  e->blocks.ime.ReadU32(ime_block::kBehaviourFlags, behaviour);
  return behaviour & ime_block::kCandidateCommands;
}

// Decimal digits at text[i]; i moves past them. -1 when there are none.
int ReadDecimal(std::u16string_view text, std::size_t& i) {
  if (i >= text.size() || text[i] < u'0' || text[i] > u'9') return -1;
  int value = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) value = std::min(value * 10 + (text[i] - u'0'), 100000);
  return value;
}

constexpr std::uint8_t kVkShift = 0x10;
constexpr std::uint8_t kVkControl = 0x11;
constexpr std::uint8_t kVkMenu = 0x12;
constexpr std::uint8_t kVkLeftWindows = 0x5B;
constexpr int kMaxRepeat = 256;
constexpr std::size_t kMaxGroupUnits = 64;

void Press(std::uint8_t vk) { os::SendKeyEvent(vk, 0, os::kKeyEventExtended); }
void Release(std::uint8_t vk) { os::SendKeyEvent(vk, 0, os::kKeyEventExtended | os::kKeyEventUp); }

}  // namespace

int ExpandAppPath(char16_t* out, const char16_t* text, const EngineInstance* e) {
  out[0] = 0;
  const std::u16string_view whole(text);
  const std::size_t open = whole.find(u'(');
  const std::size_t close = whole.rfind(u')');
  if (open == std::u16string_view::npos || close == std::u16string_view::npos || close < open) return 0;
  std::u16string_view inside = whole.substr(open + 1, close - open - 1);
  inside = inside.substr(0, std::min<std::size_t>(inside.size(), kCommandTextLimit));
  if (inside.substr(0, kAppPath.size()) == kAppPath) {
    std::u16string_view rest = inside.substr(kAppPath.size());
    if (!rest.empty() && rest[0] == u'\\') rest.remove_prefix(1);
    std::u16string expanded(e->install_folder);
    expanded += rest;
    CopyBounded(out, kCommandTextUnits, expanded);
  } else {
    CopyBounded(out, kCommandTextUnits, inside);
  }
  return static_cast<int>(close + 1);
}

int DetectCandidateCommand(EngineInstance* e, int slot) {
  if (slot < 0 || slot >= e->page_item_count || slot >= kMaxPageItems) return 0;
  const PageItem& item = e->page[slot];
  const char16_t* text = item.text;
  std::uint32_t units = static_cast<std::uint32_t>(std::max(item.commit_units, 0));
  if (!text[0]) {
    text = item.comment;
    units = kCommitTextLimit;
  }
  const int candidate = item.candidate;
  const bool listed = candidate >= 0 && candidate < e->candidate_count;
  // The command is read from the whole shown text: a converted item commits only part of it.
  std::u16string whole(item.text[0] ? item.text : item.comment);
  whole.resize(std::min<std::size_t>(whole.size(), kPageTextUnits - 1));
  char16_t shown[kCommandPartUnits];
  char16_t committed[kCommandPartUnits];
  char16_t word[kPageTextUnits];
  if (listed) CandidateText(e->candidates[candidate], e, word);
  if (listed && ParseCandidateCommandText(word, shown, committed, e)) {
    // The item shows the label of a "$lzcmd(" word; its committed part is what is typed or run.
    text = committed + 1;
    units = committed[0];
    whole.assign(text, units);
  }
  std::uint32_t n = 0;
  for (; n < std::min(units, kCommitTextLimit) && text[n]; ++n) e->commit.text[n] = text[n];
  e->commit.text[n] = 0;
  e->commit.text_length = n;
  e->commit.action = listed ? ActionOfKind(e->candidates[candidate].kind) : commit_action::kText;
  if (CommandsEnabled(e) && n > 0) DetectCommandWord(e, whole);
  return 1;
}

int UnescapeCommandText(char16_t* out, const char16_t* text, int capacity) {
  if (capacity <= 0) return 0;
  int n = 0;
  const auto put = [&](char16_t c) {
    if (n < capacity - 1) out[n++] = c;
  };
  for (int i = 0; text[i]; ++i) {
    if (text[i] != u'\\' || !text[i + 1]) {
      put(text[i]);
      continue;
    }
    const char16_t next = text[++i];
    switch (next) {
      case u'1': put(u','); break;
      case u'2': put(u'('); break;
      case u'3': put(u')'); break;
      case u'4': put(u'<'); break;
      case u'5': put(u'>'); break;
      case u'\\': put(u'\\'); break;
      case u'r': put(u'\r'); put(u'\n'); break;
      case u's': put(u' '); break;
      case u't': put(u'\t'); break;
      default: put(u'\\'); put(next); break;
    }
  }
  out[n] = 0;
  return n;
}

int ParseCandidateCommandText(const char16_t* text, char16_t* shown, char16_t* committed, const EngineInstance* e) {
  const std::u16string_view whole(text);
  if (whole.size() < kShortestCommandText || whole.substr(0, kCommandTextPrefix.size()) != kCommandTextPrefix ||
      whole.back() != u')') {
    return 0;
  }
  const std::u16string_view inside = whole.substr(kCommandTextPrefix.size(), whole.size() - kCommandTextPrefix.size() - 1);
  const std::size_t comma = inside.rfind(u',');
  const std::u16string first(comma == std::u16string_view::npos ? inside : inside.substr(0, comma));
  const std::u16string second(comma == std::u16string_view::npos ? inside : inside.substr(comma + 1));
  const auto part = [e](char16_t* out, const std::u16string& source) {
    char16_t unescaped[kExpandedTextUnits];
    UnescapeCommandText(unescaped, source.c_str(), kExpandedTextUnits);
    static_assert(kExpandedTextUnits + 1 == kCommandPartUnits);
    out[0] = static_cast<char16_t>(ExpandMacros(unescaped, out + 1, e));
  };
  part(committed, first);
  part(shown, second);
  return 1;
}

int SendKeyCombo(const char16_t* text) {
  if (!text || text[0] != u'<') return 0;
  const std::u16string_view rest(text);
  const std::size_t close = rest.substr(0, kMaxGroupUnits).find(u'>');
  if (close == std::u16string_view::npos) return 0;
  const std::u16string_view group = rest.substr(1, close - 1);
  std::size_t i = 0;
  const int vk = ReadDecimal(group, i);
  if (vk <= 0 || vk > 0xFF) return 0;
  int count = 1;
  if (i < group.size() && group[i] == u'.') {
    ++i;
    count = ReadDecimal(group, i);
    if (count < 1 || count > kMaxRepeat) count = 1;
  }
  const bool shift = group.find(u"+Shift") != std::u16string_view::npos;
  const bool alt = group.find(u"+Alt") != std::u16string_view::npos;
  const bool ctrl = group.find(u"+Ctrl") != std::u16string_view::npos;
  const bool win = group.find(u"+Win") != std::u16string_view::npos;
  if (win) Press(kVkLeftWindows);
  if (ctrl) Press(kVkControl);
  if (shift) Press(kVkShift);
  if (alt) Press(kVkMenu);
  for (int k = 0; k < count; ++k) {
    Press(static_cast<std::uint8_t>(vk));
    Release(static_cast<std::uint8_t>(vk));
  }
  if (ctrl) Release(kVkControl);
  if (shift) Release(kVkShift);
  if (alt) Release(kVkMenu);
  if (win) Release(kVkLeftWindows);
  return static_cast<int>(close + 1);
}

void RunKeyboardCommand(const char16_t* text) {
  const os::KeyActionScope action;
  for (int i = 0; text[i] && text[i] != u')' && text[i] != u',';) {
    const int used = text[i] == u'<' ? SendKeyCombo(text + i) : 0;
    i += used > 0 ? used : 1;
  }
}

void RunConvertCommand(EngineInstance* e, const char16_t* argument) {
  const std::u16string_view whole(argument);
  const std::size_t comma = whole.find(u',');
  if (comma == std::u16string_view::npos) return;
  const std::u16string_view mode_name = whole.substr(0, comma);
  const std::u16string_view value = whole.substr(comma + 1);
  const auto switched = [&](bool now, std::u16string_view on, std::u16string_view off) {
    if (value == on) return true;
    if (value == off) return false;
    return !now;
  };
  const std::uint32_t ime_flags = BlockU32(e->blocks.ime, ime_block::kImeFlags);
  if (mode_name == u"中英文标点") {
    const bool english = switched(e->mode & mode::kEnglishPunctuation, u"英文", u"中文");
    e->mode = english ? (e->mode | mode::kEnglishPunctuation) : (e->mode & ~mode::kEnglishPunctuation);
  } else if (mode_name == u"全半") {
    const bool full = switched(e->mode & mode::kFullWidth, u"全角", u"半角");
    if (full) {
      e->mode |= mode::kFullWidth;
      SetTraditionalOutput(e, false);
    } else {
      e->mode &= ~mode::kFullWidth;
    }
  } else if (mode_name == u"繁体输出") {
    SetTraditionalOutput(e, switched(ime_flags & ime_block::kTraditionalOutput, u"打开", u"关闭"));
  } else if (mode_name == u"简体输出") {
    SetSimplifiedOutput(e, switched(ime_flags & ime_block::kSimplifiedOutput, u"打开", u"关闭"));
  }
}

}  // namespace lz
