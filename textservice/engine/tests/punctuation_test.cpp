#include "textservice/engine/punctuation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/os/key_sender.h"
#include "textservice/engine/ime_block.h"
#include "textservice/engine/scheme_text.h"

namespace lz {
namespace {

// An ime block holding the punctuation table of a scheme text, and the key events its marks send.
class PunctuationTable {
 public:
  PunctuationTable() {
    const ByteView ime = view();
    ReadPunctuationText(ime, u"<", u"《〈");
    ReadPunctuationText(ime, u">", u"〉》");
    ReadPunctuationText(ime, u"\"", u"“,”");
    ReadPunctuationText(ime, u"(", u"（）");
    ReadPunctuationText(ime, u",", u"，");
    ReadPunctuationText(ime, u"光标左移的标点表", u"(");
    ResetPunctuationPairs(pairs_);
    os::SetKeySink(&Record, &events_);
  }
  ~PunctuationTable() { os::SetKeySink(nullptr, nullptr); }

  // What typing the keys gives.
  std::u16string Type(const std::u16string& keys, bool shift_held = false) {
    char16_t out[64];
    const int n = TranslatePunctuation(out, 64, view(), pairs_, keys.c_str(), shift_held);
    EXPECT_EQ(n, static_cast<int>(std::char_traits<char16_t>::length(out)));
    return out;
  }
  void Reset() { ResetPunctuationPairs(pairs_); }
  const std::vector<os::KeyEvent>& events() const { return events_; }

 private:
  ByteView view() { return ByteView{block_.data(), static_cast<std::uint32_t>(block_.size())}; }
  static void Record(const os::KeyEvent& event, void* context) {
    static_cast<std::vector<os::KeyEvent>*>(context)->push_back(event);
  }

  std::vector<std::uint8_t> block_ = std::vector<std::uint8_t>(ime_block::PunctuationOffset(ime_block::kPunctuationCount));
  std::uint8_t pairs_[kPunctuationSlots] = {};
  std::vector<os::KeyEvent> events_;
};

TEST(Punctuation, KeysGiveTheirTexts) {
  struct Case {
    const char* name;
    std::u16string keys;
    std::u16string expected;
  };
  const Case cases[] = {
      {"book titles nest", u"<<>>", u"《〈〉》"},
      {"a closing mark with nothing open", u">", u"》"},
      {"deeper titles stay inner", u"<<<>>>", u"《〈〈〉〉》"},
      {"a pair alternates", u"\"\"\"", u"“”“"},
      {"a single text", u",", u"，"},
      {"no entry gives the key itself", u"a", u"a"},
      {"the keypad five without an entry", u"\x15", u"5"},
      {"the keypad dot without an entry", u"\x0E", u"."},
      {"text beyond ASCII is copied", u"中", u"中"},
      {"empty input", u"", u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PunctuationTable table;
    EXPECT_EQ(table.Type(c.keys), c.expected);
  }
}

TEST(Punctuation, ResetStartsPairsAndTitlesAgain) {
  PunctuationTable table;
  EXPECT_EQ(table.Type(u"\"\"\""), u"“”“");
  table.Reset();
  EXPECT_EQ(table.Type(u"\""), u"“");
  EXPECT_EQ(table.Type(u"<"), u"《");
  table.Reset();
  EXPECT_EQ(table.Type(u"<"), u"《");
}

TEST(Punctuation, CaretLeftKindStepsBackInsideThePair) {
  struct Case {
    const char* name;
    bool shift_held;
    std::vector<std::uint32_t> flags;  // of the events, in order
  };
  const Case cases[] = {
      {"Left pressed and released", false, {os::kKeyEventExtended, os::kKeyEventExtended | os::kKeyEventUp}},
      {"Shift released first", true, {os::kKeyEventUp, os::kKeyEventExtended, os::kKeyEventExtended | os::kKeyEventUp}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PunctuationTable table;
    EXPECT_EQ(table.Type(u"(", c.shift_held), u"（）");
    std::vector<std::uint32_t> flags;
    for (const os::KeyEvent& e : table.events()) flags.push_back(e.flags);
    EXPECT_EQ(flags, c.flags);
    EXPECT_EQ(table.events().back().virtual_key, 0x25);
  }
}

TEST(Punctuation, FullWidth) {
  char16_t text[] = u"a b~1中";
  ToFullWidth(text);
  EXPECT_EQ(std::u16string(text), u"ａ\u3000ｂ～１中");
}

}  // namespace
}  // namespace lz
