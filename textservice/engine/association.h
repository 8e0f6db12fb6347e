#pragma once
// Words that follow a committed text: its continuations in the association table sysl.dmg, listed as
// candidates without any typed keys. The same look-up completes English words from engl.dmg.
#include <cstdint>

#include "textservice/engine/engine_instance.h"

namespace lz {

namespace association_option {
constexpr std::uint32_t kMarked = 0x1;      // look the key up with "#" after it
constexpr std::uint32_t kCloseness = 0x2;   // shorter continuations weigh more
constexpr std::uint32_t kEqualKeys = 0x4;   // a record equal to the key is listed too
constexpr std::uint32_t kEnglish = 0x1000;  // engl.dmg, the key in small letters and in capitals
constexpr std::uint32_t kAfterCommit = 0x2000;
}  // namespace association_option

constexpr int kMaxAssociationCandidates = 2500;

// Sets the association key to a text (its UTF-8, cut between characters at 255 bytes); an empty text
// leaves no key. Returns the key's length in bytes.
int SetAssociationKey(EngineInstance* instance, const char16_t* text);

// Lists the continuations of the committed text when association is on (ime flag 0x2), sysl.dmg is
// open, there is a key and the engine is not in English mode; the input is reset first. Returns the
// number of candidates listed (the caller finishes the list).
int AssociateAfterCommit(EngineInstance* instance);

// Looks the association key up with the options; returns the candidate count.
int AssociationQuery(EngineInstance* instance, std::uint32_t options);

// Adds the records whose key continues `key` (a table string) as candidates of kind 19.
void AssociationLookup(const std::uint8_t* key, EngineInstance* instance, std::uint32_t options);

}  // namespace lz
