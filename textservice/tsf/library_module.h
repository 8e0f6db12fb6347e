#pragma once
// What the whole library shares: its module handle and the count of its live COM objects, which decides
// DllCanUnloadNow and when the class-factory singleton goes.
#include <windows.h>

namespace lz {

HINSTANCE LibraryModule();

// Every COM object of the library (text service, language-bar button, display-attribute objects,
// candidate UI element, and each reference to the class factory) counts itself while it lives. The count
// starts at -1; when a decrement takes it below 0 the class factory is freed.
void LibraryObjectCreated();
void LibraryObjectDestroyed();

// The input method's class identifier from string resource 1 (braced text, at most 40 units); false
// when the resource is missing.
bool LoadClassIdentifierText(wchar_t (&out)[40]);

}  // namespace lz
