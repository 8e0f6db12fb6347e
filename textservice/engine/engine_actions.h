#pragma once
// What the key handler, the menus and the candidate window ask of the engine besides a query: mode
// switches, input editing, starting config and the help, the candidate menu's commands, the prompt that
// deletes the last committed word, English-mode input and erasing text in the host.
#include <cstdint>

#include "textservice/engine/engine_instance.h"

namespace lz {

// Output conversion switches in the ime flags (+36); 1.
int SetSimplifiedOutput(EngineInstance* instance, bool on);
int SetTraditionalOutput(EngineInstance* instance, bool on);
// Opening and closing the input method, Chinese and English input; 1.
int SetImeOpen(EngineInstance* instance, bool open);
int SetChineseMode(EngineInstance* instance, bool chinese);
// Clears the "closing character next" state of every paired punctuation entry.
void ResetPunctuationPairs(EngineInstance* instance);
// Switches between the main scheme alone and the main scheme with the auxiliary one; 1.
int ToggleInputScheme(EngineInstance* instance);

// Virtual keys of input editing.
namespace edit_key {
constexpr int kBack = 0x08;
constexpr int kEnd = 0x23;
constexpr int kHome = 0x24;
constexpr int kLeft = 0x25;
constexpr int kRight = 0x27;
constexpr int kDelete = 0x2E;
}  // namespace edit_key
// Edits the input at the cursor and queries again: the query result, 0 for a key that is not an edit key.
int HandleEditKey(int virtual_key, EngineInstance* instance);

// Starts config with "/n {class id} arguments"; 1. owner: the calling window, may be null.
int LaunchConfig(void* owner, const char16_t* arguments, EngineInstance* instance);
// Shows a help topic: in config's page viewer at that size when both are at least 1, else in HTML Help
// (the help file itself without a topic); 1.
int OpenHelp(int height, EngineInstance* instance, const char16_t* topic, int width);
// The help file's page of keys and key functions, which the key-map command shows.
inline constexpr char16_t kKeyboardMapTopic[] = u"keyboardmap.html";

// Commands of the candidate window's menu on the word at a page slot (0-based).
namespace menu_command {
constexpr int kUp = 1;
constexpr int kDown = 2;
constexpr int kToTop = 3;
constexpr int kToBottom = 4;
constexpr int kPin = 5;
constexpr int kClass = 6;
constexpr int kDelete = 7;
constexpr int kInformation = 8;
constexpr int kOnlineLookup = 9;
}  // namespace menu_command
// The online dictionary page; the word follows as its query value.
constexpr const char16_t* kOnlineDictionaryPage = u"https://dict.lanzo.net/index.php?c=";
int CandidateMenuCommand(EngineInstance* instance, void* owner, int slot, int command);

// Asks whether to delete (or undelete) the last committed main-table word, and does it on Yes; 1.
int ConfirmDeleteLastWord(EngineInstance* instance, void* owner);

// English words completing the input, from engl.dmg; the candidate count.
int QueryEnglish(EngineInstance* instance);

// Key classes of English input (as ClassifyKey answers them).
namespace english_key {
constexpr int kTyped = 1;    // goes into the input
constexpr int kFunction = 4;  // runs the pending key function
constexpr int kPassed = 5;   // passes to the application
}  // namespace english_key
// Classifies the current key in English mode, setting the pending key function for space and digits.
int ClassifyKeyEnglish(EngineInstance* instance);
// Whether the key filter hands the key to the engine: 1 or 0.
int IsKeyForEngine(const EngineInstance* instance, const CurrentKey& key);

// The unassigned key that tells the key filter that an erasure is complete.
constexpr std::uint8_t kErasureDoneKey = 0x88;
// Erases n characters in the host with backspaces; 0.
int SendBackspaces(EngineInstance* instance, int n);

}  // namespace lz
