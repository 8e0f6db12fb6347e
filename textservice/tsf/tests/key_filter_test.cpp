// The key filter as a plain function: which keys the input method eats, what it records as the current
// key, the lone-modifier taps with their timing, and what a passed key leaves as the last output.
#include "textservice/tsf/key_filter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/installed_engine.h"
#include "tests/support/typing_fixture.h"
#include "textservice/engine/key_names.h"

namespace lz {
namespace {

constexpr std::uint32_t kUp = 0xC0000000u;
constexpr std::uint32_t kLeftShift = 0x2A0000;
constexpr std::uint32_t kRightShiftExtended = 0x1360000;
constexpr std::uint32_t kLeftCtrl = 0x1D0000;
constexpr std::uint32_t kLetterScan = 0x110000;
constexpr std::uint32_t kTick = 5000;

// The typical bindings, and for the taps right Shift and left Ctrl too; F3 opens and closes.
test::DataFolderContents FilterFolder() {
  test::DataFolderContents contents = test::TypingFolder();
  contents.edit_blocks = [](ConfigBlocks& blocks) {
    test::WriteTypicalScheme(blocks);
    test::WriteTypicalKeyBindings(blocks);
    ReadKeyFunctionText(u"键右Shift", blocks.dme, u"英文输入开关");
    ReadKeyFunctionText(u"键左Ctrl", blocks.dme, u"输入法打开/关闭");
    ReadKeyFunctionText(u"键F3", blocks.dme, u"输入法打开/关闭");
  };
  return contents;
}

struct Event {
  std::uint32_t vk;
  std::uint32_t lparam;  // scan bits, kUp for a key-up
  std::uint32_t tick;
  KeyboardState keys = {};
};

struct Answer {
  int eat;
  std::uint32_t index;
  bool operator==(const Answer&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Answer& a) { return out << "eat " << a.eat << " index " << a.index; }

struct Setup {
  std::uint32_t mode = 0;
  bool composing = false;
  std::int32_t reinput = 0;
  int soft_layout = 0;
  char16_t soft_character = 0;
};

// Runs the events through one filter state; the answer of the last.
Answer Filter(EngineInstance* e, const Setup& setup, const std::vector<Event>& events, TapMemory& tap) {
  TypedKeyMemory typed;
  e->mode = setup.mode;
  e->current_key.reinput = setup.reinput;
  Answer answer{0, 0};
  for (const Event& event : events) {
    KeyEventFacts facts;
    facts.vk = event.vk;
    facts.lparam = event.lparam | 1;
    facts.tick = event.tick;
    facts.keys = event.keys;
    facts.composing = setup.composing;
    facts.soft_layout = setup.soft_layout;
    facts.soft_character = setup.soft_character;
    e->current_key.index = 0;
    answer.eat = KeyFilter(facts, e, tap, typed);
    answer.index = e->current_key.index;
  }
  return answer;
}

struct Row {
  const char* name;
  Setup setup;
  std::vector<Event> events;
  Answer expected;
};

const KeyboardState kShift{true, false, false, false};
const KeyboardState kCaps{false, false, false, true};
const KeyboardState kCapsShift{true, false, false, true};
const KeyboardState kCtrl{false, true, false, false};
const KeyboardState kAlt{false, false, true, false};

std::vector<Row> Rows() {
  const std::uint32_t after_commit = mode::kComposingAfterCommit;
  return {
      // Caps Lock and Shift choose the table; code keys are the small letters.
      {"letter", {}, {{'A', kLetterScan, kTick}}, {1, 'A'}},
      {"Shift+letter is the capital, not a code key", {}, {{'A', kLetterScan, kTick, kShift}}, {0, 'A' + 256}},
      {"Caps Lock letter is the capital", {}, {{'A', kLetterScan, kTick, kCaps}}, {0, 'A' + 256}},
      {"Caps Lock and Shift give the small letter", {}, {{'A', kLetterScan, kTick, kCapsShift}}, {1, 'A'}},
      {"Caps Lock leaves digits alone", {}, {{'1', 0x20000, kTick, kCaps}}, {0, '1'}},
      {"Shift+digit is shifted", {}, {{'1', 0x20000, kTick, kShift}}, {0, '1' + 256}},
      {"Ctrl+letter passes", {}, {{'A', kLetterScan, kTick, kCtrl}}, {0, 0}},
      {"Alt+letter passes", {}, {{'A', kLetterScan, kTick, kAlt}}, {0, 0}},
      {"a modifier key-down passes", {}, {{0x10, kLeftShift, kTick, kShift}}, {0, 0}},
      // Lone taps.
      {"left Shift tap at 499 ms", {}, {{0x10, kLeftShift, kTick, kShift}, {0x10, kLeftShift | kUp, kTick + 499}},
       {1, 0xA0}},
      {"left Shift tap at 500 ms", {}, {{0x10, kLeftShift, kTick, kShift}, {0x10, kLeftShift | kUp, kTick + 500}},
       {0, 0}},
      {"right Shift tap by its extended scan",
       {},
       {{0x10, kRightShiftExtended, kTick, kShift}, {0x10, kRightShiftExtended | kUp, kTick + 100}},
       {1, 0xA1}},
      {"left Ctrl tap", {}, {{0x11, kLeftCtrl, kTick, kCtrl}, {0x11, kLeftCtrl | kUp, kTick + 100}}, {1, 0xA2}},
      {"a tap across the tick wrap",
       {},
       {{0x10, kLeftShift, 0xFFFFFF00u, kShift}, {0x10, kLeftShift | kUp, 0xFFFFFF00u + 499}},
       {1, 0xA0}},
      {"auto-repeat keeps the first key-down's time",
       {},
       {{0x10, kLeftShift, kTick, kShift}, {0x10, kLeftShift, kTick + 300, kShift}, {0x10, kLeftShift | kUp, kTick + 700}},
       {0, 0}},
      {"a key between makes it no tap",
       {},
       {{0x10, kLeftShift, kTick, kShift}, {'A', kLetterScan, kTick + 10, kShift}, {0x10, kLeftShift | kUp, kTick + 20}},
       {0, 0}},
      // Global functions in every mode.
      {"open/close while closed", {mode::kClosed}, {{0x72, 0x3D0000, kTick}}, {1, 0x72}},
      {"open/close in English", {mode::kEnglish}, {{0x72, 0x3D0000, kTick}}, {1, 0x72}},
      {"a letter while closed passes", {mode::kClosed}, {{'A', kLetterScan, kTick}}, {0, 'A'}},
      // Composing.
      {"space while composing", {0, true}, {{0x20, 0x390000, kTick}}, {1, 0x20}},
      {"Esc while composing", {0, true}, {{0x1B, 0x10000, kTick}}, {1, 0x1B}},
      {"Esc with nothing composed passes", {}, {{0x1B, 0x10000, kTick}}, {0, 0x1B}},
      {"after a commit: space takes an association", {after_commit, true}, {{0x20, 0x390000, kTick}}, {1, 0x20}},
      {"after a commit: page keys", {after_commit, true}, {{0xBB, 0xD0000, kTick}}, {1, 0xBB}},
      {"after a commit: Enter ends the composition and passes",
       {after_commit, true},
       {{0x0D, 0x1C0000, kTick}},
       {key_filter::kPassEndingComposition, 0x0D}},
      {"after a commit: Backspace ends it too",
       {after_commit, true},
       {{0x08, 0xE0000, kTick}},
       {key_filter::kPassEndingComposition, 0x08}},
      // Re-input.
      {"re-input: backspaces pass", {0, false, 1}, {{0x08, 0xE0000, kTick}}, {0, 0}},
      {"re-input: the end key down", {0, false, 1}, {{0x88, 0, kTick}}, {1, 0x88}},
      {"re-input: the end key up", {0, false, 1}, {{0x88, kUp, kTick}}, {1, 0}},
      {"re-input: a late key-up passes and the erasure goes on",
       {0, false, 1},
       {{0xDB, 0x1A0000 | kUp, kTick}, {0x88, 0, kTick}},
       {1, 0x88}},
      // Soft keyboard.
      {"soft keyboard character", {mode::kSoftKeyboard, false, 0, 2, u'α'}, {{'A', kLetterScan, kTick}}, {1, 'A'}},
      {"soft keyboard without a character", {mode::kSoftKeyboard, false, 0, 2, u' '}, {{'A', kLetterScan, kTick}},
       {0, 'A'}},
      {"soft keyboard layout 1 types codes", {mode::kSoftKeyboard, false, 0, 1, 0}, {{'A', kLetterScan, kTick}},
       {1, 'A'}},
  };
}

TEST(KeyFilter, EatsOrPassesAndRecordsTheCurrentKey) {
  test::InstalledEngine engine(FilterFolder());
  for (const Row& row : Rows()) {
    SCOPED_TRACE(row.name);
    TapMemory tap;
    EXPECT_EQ(Filter(engine.get(), row.setup, row.events, tap), row.expected);
  }
}

TEST(KeyFilter, APassedKeyIsTheLastOutputForTheRepeatKey) {
  struct Case {
    const char* name;
    std::uint32_t vk;
    std::u16string output;
  };
  const Case cases[] = {
      {"Enter", 0x0D, u"\r\n"},
      {"Home", 0x24, u"\n"},
      {"a character", 0xBF, u"/"},
      {"another named key leaves it", 0x2E, u"x"},
  };
  test::InstalledEngine engine(FilterFolder());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    engine->previous_commit = CommitRecord{};
    engine->previous_commit.text[0] = u'x';
    engine->previous_commit.text_length = 1;
    TapMemory tap;
    EXPECT_EQ(Filter(engine.get(), {}, {{c.vk, 0x10000, kTick}}, tap).eat, 0);
    EXPECT_EQ(std::u16string(engine->previous_commit.text, engine->previous_commit.text_length), c.output);
  }
}

TEST(PendingKeyAnswer, AKeyIsDecidedOnce) {
  PendingKeyAnswer pending;
  EXPECT_EQ(pending.Find('A', 1, false), -1);
  pending.Store('A', 1, 1);
  EXPECT_EQ(pending.Find('A', 1, false), 1) << "a doubled test gets the same answer";
  EXPECT_EQ(pending.Find('A', 1, true), 1) << "the key-down takes it";
  EXPECT_EQ(pending.Find('A', 1, true), -1);
  pending.Store('A', 1, 0);
  EXPECT_EQ(pending.Find('B', 1, false), -1) << "another key drops it";
  EXPECT_EQ(pending.Find('A', 1, false), -1);
}

}  // namespace
}  // namespace lz
