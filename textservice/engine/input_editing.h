#pragma once
// The typed input of an engine instance: inserting keys at the cursor, clearing the input, the
// composition string the document shows, and the query run after every change of the input.
#include "textservice/engine/engine_instance.h"

namespace lz {

// Ends the input: its mode marks, the candidate list and page, the keys, the composition string and
// the pending commit.
void ResetInput(EngineInstance* instance);

// Inserts a key at the cursor; a zero key, or a key beyond the 128th, is ignored.
void AppendInputKey(EngineInstance* instance, char16_t key);

// The composition string: the highlighted candidate's text when the first candidate is embedded (ime
// flag 0x2000), else the keys as the display conversion table shows them, keypad keys as full-width
// characters.
void BuildCompositionString(EngineInstance* instance);

// Queries the input and, when there is a list to show, rebuilds the composition string. Returns the
// query result; in English mode 6 (pass the key on) without the English table, else 2.
int RunQuery(EngineInstance* instance);

}  // namespace lz
