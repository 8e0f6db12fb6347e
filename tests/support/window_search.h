#pragma once
// Finding a window that a control made for itself, by its class name.
#include <windows.h>

#include <string>

namespace lz::test {

namespace window_search_detail {

struct Search {
  const wchar_t* name;
  HWND found;
};

inline BOOL CALLBACK MatchClass(HWND child, LPARAM data) {
  auto& search = *reinterpret_cast<Search*>(data);
  wchar_t type[64] = {};
  GetClassNameW(child, type, 64);
  if (std::wstring(type) != search.name) return TRUE;
  search.found = child;
  return FALSE;
}

}  // namespace window_search_detail

// The first descendant of PARENT whose class is NAME, or null.
inline HWND FindChildOfClass(HWND parent, const wchar_t* name) {
  window_search_detail::Search search{name, nullptr};
  EnumChildWindows(parent, window_search_detail::MatchClass, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace lz::test
