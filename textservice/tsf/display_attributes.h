#pragma once
// The three display attributes of composition text (input, converted, none): their identifiers, their
// built-in looks, the user's overrides under HKCU "Software\Lanzo Text Service", and the info and
// enumerator objects that the display-attribute provider hands out.
#include <windows.h>

#include "textservice/tsf/tsf_declarations.h"

namespace lz {

constexpr int kDisplayAttributeCount = 3;
// The enumerator offers input and converted; "none" is only found by its identifier.
constexpr int kEnumeratedDisplayAttributes = 2;

const GUID& DisplayAttributeGuid(int index);
const TF_DISPLAYATTRIBUTE& BuiltinDisplayAttribute(int index);
// The registry value name and description.
const wchar_t* DisplayAttributeName(int index);

constexpr wchar_t kDisplayAttributeKey[] = L"Software\\Lanzo Text Service";

HRESULT CreateDisplayAttributeEnum(IEnumTfDisplayAttributeInfo** out);
// E_INVALIDARG for a null out or an identifier that is not one of the three.
HRESULT CreateDisplayAttributeInfoFor(REFGUID guid, ITfDisplayAttributeInfo** out);

// GUID_PROP_ATTRIBUTE over the composition range of a composing context; atom 0 stands for the input atom.
int ApplyAttribute(ITfContext* context, TfEditCookie cookie, ITfRange* range, TfGuidAtom atom, TfGuidAtom input_atom);
int ClearAttribute(ITfContext* context, TfEditCookie cookie, ITfRange* range);

}  // namespace lz
