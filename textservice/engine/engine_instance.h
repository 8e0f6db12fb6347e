#pragma once
// One engine instance per activation of the text service (and one in config, which fills it at start-up
// and hands it to the settings pages): the modes, the typed input, the candidate list and its page, the
// open data files and settings blocks, the recent commits and the identity of the input method and
// host. Plain standard-layout data, shared by the library and config through this one definition.
#include <cstdint>
#include <type_traits>

#include "platform/os/system_info.h"
#include "textservice/engine/class_identifier.h"
#include "textservice/engine/data_files.h"
#include "textservice/engine/mapped_file.h"
#include "textservice/engine/settings_store.h"
#include "textservice/engine/text_encoding.h"

namespace lz {

// Engine mode flags.
namespace mode {
constexpr std::uint32_t kFullWidth = 0x1;
constexpr std::uint32_t kEnglishPunctuation = 0x2;
constexpr std::uint32_t kClosed = 0x4;
constexpr std::uint32_t kDisabled = 0x8;
constexpr std::uint32_t kEnglish = 0x10;
constexpr std::uint32_t kSoftKeyboard = 0x20;
constexpr std::uint32_t kSecondaryRetry = 0x40;
constexpr std::uint32_t kReadingsShown = 0x80;   // generated number readings are listed
constexpr std::uint32_t kWildcardQuery = 0x100;
constexpr std::uint32_t kEnglishLookup = 0x200;  // the input after the English lead key is looked up as a word
constexpr std::uint32_t kTemporaryEnglish = 0x10000000;
constexpr std::uint32_t kComposingAfterCommit = 0x20000000;  // association candidates follow a commit
constexpr std::uint32_t kKeyHandlingMark = 0x40000000;       // the key handling's own mark on an input
// Marks that belong to one input and end with it.
constexpr std::uint32_t kInputMarks =
    kReadingsShown | kEnglishLookup | kTemporaryEnglish | kComposingAfterCommit | kKeyHandlingMark;
}  // namespace mode

constexpr int kMaxCandidates = 3000;
constexpr int kMaxInputKeys = 128;
constexpr int kCompositionUnits = 255;
constexpr int kImeNameUnits = 56;
constexpr int kHostNameUnits = 64;
constexpr int kMaxPageItems = 10;
constexpr int kPageTextUnits = 256;
constexpr int kHistoryEntries = 32;
constexpr int kCommitTextUnits = 256;
constexpr int kCommandTextUnits = 512;
constexpr int kMaxAssociationKeyBytes = 255;
constexpr int kPunctuationSlots = 128;

// Candidate kinds.
namespace kind {
constexpr std::uint8_t kAssociation = 19;   // continuations and completions from sysl.dmg and engl.dmg
constexpr std::uint8_t kGenerated = 20;     // numbers, dates, the repeated last commit
constexpr std::uint8_t kMain = 33;
constexpr std::uint8_t kTemporary = 34;
constexpr std::uint8_t kUnfiltered = 47;    // offered without the class filter
constexpr std::uint8_t kHasCode = 0x20;     // the text follows a code; hints come from it
constexpr std::uint8_t kTextAsCode = 0x10;  // a synthetic record whose text stands in the code position
constexpr std::uint8_t kNoSorting = 0x40;   // on the first entry: keep the list as added
constexpr std::uint8_t kOrderBits = 0x22;   // orders kinds on equal weight
constexpr std::uint8_t kTextAfterCode = 0x80;  // shown like kHasCode: the text after the code
}  // namespace kind

// Commit actions of a plain text (the command words of candidate texts add their own).
namespace commit_action {
constexpr std::uint32_t kText = 0x1000;
constexpr std::uint32_t kInput = 0x1002;           // the typed keys themselves
constexpr std::uint32_t kTextAsCode = 0x1008;      // a candidate of kind bit 0x10
constexpr std::uint32_t kUnsortedText = 0x1040;    // a candidate of kind bit 0x40
constexpr std::uint32_t kTypedText = 0x5000;       // text typed past the engine (punctuation, keys)
}  // namespace commit_action

struct CandidateEntry {
  const std::uint8_t* record;  // the record in its mapped table, or a synthetic record of the instance
  std::uint8_t kind;
  std::int32_t weight;
  char16_t hint[3];  // the two code characters after the typed code, then zero
};

// Where the list is paged to (the design keeps it in a spare entry after the list).
struct PagingState {
  std::int32_t first;        // first candidate index of the current page
  std::int32_t previous;     // a previous page exists
  std::int32_t last_shown;   // last candidate index shown, -1 before the first page
  std::int32_t more;         // a further page exists
  std::int32_t highlighted;  // highlighted place on the page
};

// The current page as the candidate window shows it.
struct PageItem {
  char16_t text[kPageTextUnits];
  char16_t comment[4];
  std::int32_t candidate;
  // Units of text that a commit takes: a converted item shows "converted(original)" but commits only
  // the converted word.
  std::int32_t commit_units;
};

// The tables a candidate may point into, in the order the list remembers their mappings.
constexpr int kListedTables = 4;  // main, engl, temp, sysl

struct CommitRecord {
  std::uint32_t action;
  std::uint32_t text_length;
  char16_t text[kCommitTextUnits];
};

struct CommitHistoryEntry {
  std::int32_t characters;
  std::int32_t code_points[32];
  char16_t codes[16][8];  // per character, the code parts known for it
};

// Synthetic records (generated candidates) live in the instance, in the table record layout.
constexpr int kSyntheticRecords = 32;
constexpr int kSyntheticRecordBytes = 512;

// The word committed last, remembered by what it is rather than where it lay: the tables may have moved
// since (another process grew them), so an action on it (delete, word information) finds the record
// again by table, code and text.
struct LastCommittedWord {
  std::uint8_t kind;                             // 0 none; else the candidate's kind (33 main, 34 temp ...)
  std::uint8_t code[1 + kMaxTableStringBytes];   // table string
  std::uint8_t text[1 + kMaxTableStringBytes];   // table string
};

// The key being handled, as the key filter records it for the key handling.
struct CurrentKey {
  std::uint32_t index;            // virtual key, + 256 when the shifted name applies
  std::uint64_t functions;        // the KeyFunctionMask bound to it, or set by the engine (the pending function)
  const char16_t* text;           // its name: the character itself, or a name beginning with "键"
  std::uint32_t saved_index;      // the key that was pending when a re-input began
  std::uint64_t saved_functions;
  const char16_t* saved_text;
  std::uint32_t scan_bits;        // of the last key-down
  // Non-zero while the engine's own backspaces erase text in the host, until the key that ends them.
  std::int32_t reinput;
};

struct UiState;  // the windows' and skin's record, owned by the text service

struct EngineInstance {
  std::uint32_t mode;
  std::int32_t candidate_count;
  CandidateEntry candidates[kMaxCandidates];
  PagingState paging;
  std::int32_t page_item_count;
  PageItem page[kMaxPageItems];
  CandidateEntry previous_first;  // the first candidate of the query before, for push-commit
  std::int32_t has_previous_first;
  // The mappings the list's record pointers were taken from (MappedFile::mapping of each listed table):
  // a list whose table was mapped again since is dropped before any entry is read.
  std::uint32_t list_mappings[kListedTables];

  DataFileSet files;
  ConfigBlocks blocks;
  char16_t ime_name[kImeNameUnits];
  char16_t install_folder[kMaxPathUnits];
  char16_t data_location[kMaxPathUnits];

  std::int32_t key_count;
  std::int32_t cursor;
  char16_t keys[kMaxInputKeys + 1];
  char16_t composition[kCompositionUnits + 1];
  std::int32_t composition_length;
  std::int32_t composition_cursor;
  CommitRecord commit;
  CommitRecord previous_commit;
  char16_t command_text[kCommandTextUnits];
  // The text that association continues: a table string (length byte, UTF-8, a zero after it).
  std::uint8_t association_key[1 + kMaxAssociationKeyBytes + 1];

  LastCommittedWord last_word;
  std::int32_t history_count;
  CommitHistoryEntry history[kHistoryEntries];

  std::uint8_t synthetic[kSyntheticRecords][kSyntheticRecordBytes];
  std::int32_t synthetic_count;
  // Marks of the number conversion on the current input: they belong to this instance, not to the
  // scheme settings that every process shares.
  std::uint32_t number_marks;
  // Which text of each alternating punctuation pair comes next (0 the first, 1 the second), per instance
  // for the same reason.
  std::uint8_t punctuation_pairs[kPunctuationSlots];

  CurrentKey current_key;

  UiState* ui;
  os::OsVersion os_version;
  char16_t host_name[kHostNameUnits];
  char16_t class_id_text[kClassIdentifierUnits];
  std::uint8_t class_id[16];
  // Set for an activation inside an app container: keys and program starts then go through the broker.
  std::int32_t immersive;
};

static_assert(std::is_standard_layout_v<EngineInstance>);

// What the caller provides when it creates an instance.
struct EngineSetup {
  // The class identifier in its braced form (the library's string resource 1).
  const char16_t* class_identifier = nullptr;
  // Creates ui and loads the skin into it; 1 or 0. Null for tools that have no windows.
  int (*create_ui)(EngineInstance* instance) = nullptr;
  void (*destroy_ui)(EngineInstance* instance) = nullptr;
  // The boot stamp; null reads the system clock (tests give their own boots).
  std::int64_t (*boot_stamp)() = nullptr;
};

// The registry key of an installed input method: "Software\LanzoIME4\{id}\".
constexpr const char16_t* kImeRegistryRoot = u"Software\\LanzoIME4\\";

// Creates the instance: identity, registry entry, data files, identity checks of main.dmg and the soft
// block, the per-boot clearing of temp.dmg and the UI. Null, with nothing left allocated, on any failure.
EngineInstance* CreateEngineInstance(const EngineSetup& setup);
void DestroyEngineInstance(EngineInstance* instance, const EngineSetup& setup);

// The host program's file name without its folder, ASCII capitals made small; out holds kHostNameUnits.
void HostNameFromPath(const char16_t* path, char16_t* out);

// (seconds since 1970 - seconds since boot) with the low 8 bits cleared: stable to 256 seconds.
std::int64_t BootStampFrom(std::int64_t seconds_since_1970, std::uint64_t milliseconds_since_boot);
std::int64_t SystemBootStamp();
// Two stamps one rounding step apart come from one boot read on both sides of a 256-second boundary.
bool SameBoot(std::int64_t a, std::int64_t b);

// Records the last commit in the ime block (mode 1 only): the committed text, the code typed for it and
// the run of recent texts; commit action 0x5000 empties the recent texts instead.
void SaveLastCommit(int save_mode, EngineInstance* instance, const char16_t* input_code);

// The status text (at most 255 units and a terminator) and its length.
constexpr int kStatusTextUnits = 256;
int FormatStatusText(const EngineInstance* instance, char16_t* out);

}  // namespace lz
