#include "tracker/dialogs/memo_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/temp_folder.h"
#include "tests/support/text_file_bytes.h"

namespace tracker {
namespace {

enum class Op { kFind, kNext, kClick };

struct Step {
  Op op;
  const char16_t* text;  // the answer of Find
  long long at;          // expected offset, -1 not found; for a click, the caret
  std::size_t length;
};

TEST(Memo, FindAndFindNext) {
  struct Case {
    const char* what;
    const char16_t* memo;
    std::vector<Step> steps;
  } const cases[] = {
      {"case ignored, then next", u"xABCabc", {{Op::kFind, u"abc", 1, 3}, {Op::kNext, u"", 4, 3}, {Op::kNext, u"", -1, 0}}},
      {"the same text again goes on", u"abab", {{Op::kFind, u"ab", 0, 2}, {Op::kFind, u"ab", 2, 2}}},
      {"a new text starts over", u"abab", {{Op::kFind, u"ab", 0, 2}, {Op::kFind, u"b", 1, 1}}},
      {"next before any find", u"abc", {{Op::kNext, u"", 0, 0}, {Op::kNext, u"", 1, 0}, {Op::kNext, u"", 2, 0}}},
      {"nothing matches", u"abc", {{Op::kFind, u"zz", -1, 0}}},
      {"a click moves the start", u"abcabc",
       {{Op::kFind, u"abc", 0, 3}, {Op::kClick, u"", 0, 0}, {Op::kNext, u"", 0, 3}, {Op::kClick, u"", 2, 0},
        {Op::kNext, u"", 3, 3}}},
      {"a start beyond the end", u"ab", {{Op::kClick, u"", 5, 0}, {Op::kNext, u"", -1, 0}}},
      {"Cyrillic and Latin-1 letters", u"Ärger ПРИВЕТ", {{Op::kFind, u"привет", 6, 6}, {Op::kFind, u"ä", 0, 1}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    MemoFind find;
    int n = 0;
    for (const auto& step : c.steps) {
      SCOPED_TRACE(n++);
      if (step.op == Op::kClick) {
        FindFromCaret(find, static_cast<std::size_t>(step.at));
        continue;
      }
      const auto hit = step.op == Op::kFind ? FindInMemo(c.memo, step.text, find) : FindNextInMemo(c.memo, find);
      if (step.at < 0) {
        EXPECT_FALSE(hit.has_value());
        continue;
      }
      ASSERT_TRUE(hit.has_value());
      EXPECT_EQ(hit->start, static_cast<std::size_t>(step.at));
      EXPECT_EQ(hit->length, step.length);
    }
  }
  EXPECT_EQ(NotFoundMessage(u"zz"), u"String 'zz' not found.");
}

TEST(Memo, SelectLine) {
  struct Case {
    const char16_t* memo;
    std::size_t caret;
    std::size_t start, length;
  } const cases[] = {
      {u"  abc", 3, 0, 5},           {u"one\r\n  abc  \r\nthree", 8, 5, 5}, {u"one\r\ntwo", 0, 0, 3},
      {u"one\r\ntwo", 9, 5, 3},      {u"one\r\n\r\nthree", 5, 5, 0},       {u"", 0, 0, 0},
      {u"a\tb\t \r\n", 1, 0, 3},
  };
  for (const auto& c : cases) {
    const TextSelection s = SelectLineAt(c.memo, c.caret);
    EXPECT_EQ(s.start, c.start) << c.caret;
    EXPECT_EQ(s.length, c.length) << c.caret;
  }
  EXPECT_EQ(TrimmedLineLength(u"  abc"), 5u);
}

TEST(Memo, CaretJumps) {
  struct Case {
    std::size_t length;
    std::size_t begin, quarter, middle, three, end;
  } const cases[] = {{10, 0, 2, 5, 8, 10}, {5, 0, 1, 2, 4, 5}, {7, 0, 2, 4, 5, 7}, {0, 0, 0, 0, 0, 0}, {2, 0, 0, 1, 2, 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.length);
    EXPECT_EQ(CaretJumpOffset(CaretJump::kBeginning, c.length), c.begin);
    EXPECT_EQ(CaretJumpOffset(CaretJump::kQuarter, c.length), c.quarter);
    EXPECT_EQ(CaretJumpOffset(CaretJump::kMiddle, c.length), c.middle);
    EXPECT_EQ(CaretJumpOffset(CaretJump::kThreeQuarter, c.length), c.three);
    EXPECT_EQ(CaretJumpOffset(CaretJump::kEnd, c.length), c.end);
  }
}

TEST(Memo, Path) {
  EXPECT_EQ(MemoPath(u"C:\\Tools"), u"C:\\Tools\\PenduloMemo.txt");
  EXPECT_EQ(MemoPath(u"C:\\"), u"C:\\PenduloMemo.txt");
}

std::u16string Path(const lz::test::TempFolder& folder) {
  const std::string p = (folder.path() / "PenduloMemo.txt").string();
  return std::u16string(p.begin(), p.end());
}

TEST(Memo, FileRoundTrips) {
  // The POSIX build's code page is ISO 8859-1: "é" has its form there, "中" has none.
  struct Case {
    const char* what;
    std::u16string text;
    std::vector<std::uint8_t> bytes;
  } const cases[] = {
      {"ANSI", u"Call\r\nBob", {'C', 'a', 'l', 'l', '\r', '\n', 'B', 'o', 'b'}},
      {"ANSI beyond ASCII", u"caf\u00e9", {'c', 'a', 'f', 0xE9}},
      {"outside the code page", u"a\u4e2d", {0xEF, 0xBB, 0xBF, 'a', 0xE4, 0xB8, 0xAD}},
      {"a surrogate pair", u"\U0001F600", {0xEF, 0xBB, 0xBF, 0xF0, 0x9F, 0x98, 0x80}},
      {"empty", u"", {}},
      {"a NUL byte", std::u16string(u"before\0after\r\nmore", 18),
       {'b', 'e', 'f', 'o', 'r', 'e', 0, 'a', 'f', 't', 'e', 'r', '\r', '\n', 'm', 'o', 'r', 'e'}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    lz::test::TempFolder folder;
    MemoFile file(Path(folder));
    std::u16string text;
    EXPECT_EQ(file.Load(text), MemoFile::LoadState::kMissing);
    EXPECT_EQ(file.Save(c.text), MemoFile::SaveResult::kSaved);
    EXPECT_EQ(lz::test::ReadFileBytes(folder.path() / "PenduloMemo.txt"), c.bytes);
    MemoFile again(Path(folder));
    EXPECT_EQ(again.Load(text), MemoFile::LoadState::kLoaded);
    EXPECT_EQ(text, c.text);
  }
}

TEST(Memo, FilesWithAMark) {
  const std::u16string text = u"memo \u4e2d\u6587\r\nline";
  for (const auto& bytes : {lz::test::Utf16FileBytes(text, false), lz::test::Utf16FileBytes(text, true),
                            lz::test::Utf8FileBytes(text, true)}) {
    const auto decoded = DecodeMemoFile(bytes);
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(*decoded, text);
  }
  EXPECT_FALSE(DecodeMemoFile({0xEF, 0xBB, 0xBF, 0xFF, 0xFE}).has_value());
  EXPECT_FALSE(DecodeMemoFile({0xFF, 0xFE, 'a'}).has_value());
  EXPECT_FALSE(DecodeMemoFile({0xEF, 0xBB, 0xBF, 0xE4, 0xB8}).has_value());
}

TEST(Memo, TheBoxesShowEachNulAsAStandInThatGoesBackAsNul) {
  const std::u16string file_text(u"a\0b\0\0", 5);
  const std::u16string shown = MemoTextForBox(file_text);
  EXPECT_EQ(shown, u"a\u2400b\u2400\u2400");
  EXPECT_EQ(MemoTextForFile(shown), file_text);
  EXPECT_EQ(MemoTextForFile(u"no NUL here"), u"no NUL here");
}

TEST(Memo, AFileThatCouldNotBeReadIsNeverWrittenOver) {
  lz::test::TempFolder folder;
  const std::vector<std::uint8_t> bytes = {0xEF, 0xBB, 0xBF, 'o', 'k', 0xC0, 0x80, 'x'};
  lz::test::WriteFileBytes(folder.path() / "PenduloMemo.txt", bytes);
  MemoFile file(Path(folder));
  std::u16string text;
  EXPECT_EQ(file.Load(text), MemoFile::LoadState::kUnreadable);
  EXPECT_TRUE(text.empty());
  EXPECT_EQ(file.Save(u"typed over"), MemoFile::SaveResult::kRefused);
  EXPECT_EQ(file.Load(text), MemoFile::LoadState::kUnreadable);
  EXPECT_EQ(file.Save(u""), MemoFile::SaveResult::kRefused);
  EXPECT_EQ(lz::test::ReadFileBytes(folder.path() / "PenduloMemo.txt"), bytes);
  EXPECT_NE(MemoSaveMessage(MemoFile::SaveResult::kRefused, file.path()).find(file.path()), std::u16string::npos);
}

}  // namespace
}  // namespace tracker
