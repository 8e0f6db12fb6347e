#pragma once
/* The shipped input method's class identifier, defined here once. It is the TSF class and language
   profile, the library's string resource 1, the registry subkey under Software\LanzoIME4\, and the
   identity the shipped data set stamps into main.dmg and the soft block. Plain macros only: the resource
   compiler includes this file too. Test data folders register identifiers of their own. */
#define LZ_PRODUCT_CLASS_IDENTIFIER "{1D7D900B-0773-4204-B3E0-369057D0F7ED}"
#define LZ_PRODUCT_CLASS_IDENTIFIER_W L"{1D7D900B-0773-4204-B3E0-369057D0F7ED}"
