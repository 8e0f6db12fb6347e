#pragma once
// The broker's COM identity and the two methods the text service calls (slots 7 and 8 after IUnknown's
// three; the four before them are not used here and keep their places).
#include <windows.h>

#include <unknwn.h>

namespace os {

inline constexpr CLSID kImeBrokerClsid = {0x6de6611a, 0xafff, 0x4d16, {0xa9, 0x10, 0x9d, 0x61, 0x52, 0x3a, 0x94, 0x25}};
inline constexpr IID kImeBrokerIid = {0x6b29e813, 0x3eaf, 0x43f3, {0x8c, 0x88, 0xda, 0xf0, 0x47, 0x29, 0x09, 0x5c}};

struct IImeBroker : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Reserved3() = 0;
  virtual HRESULT STDMETHODCALLTYPE Reserved4() = 0;
  virtual HRESULT STDMETHODCALLTYPE Reserved5() = 0;
  virtual HRESULT STDMETHODCALLTYPE Reserved6() = 0;
  virtual HRESULT STDMETHODCALLTYPE LaunchProgram(LPCWSTR file, LPCWSTR parameters, LPCWSTR directory, INT show,
                                                  INT_PTR* result) = 0;
  virtual HRESULT STDMETHODCALLTYPE SendKey(BYTE vk, BYTE scan, DWORD flags, ULONG_PTR extra) = 0;
};

// The broker, or null when it is not available (not registered: REGDB_E_CLASSNOTREG).
IImeBroker* CreateBroker();
void ReleaseBroker(IImeBroker* broker);
// Through the broker's slot 8, or keybd_event without one.
void SendKeyViaBroker(IImeBroker* broker, BYTE vk, BYTE scan, DWORD flags);
// A broker made for this start, slot 7 with SW_SHOW; its result, 0 when there is no broker.
INT_PTR LaunchViaBroker(const wchar_t* file, const wchar_t* parameters, const wchar_t* directory);

}  // namespace os
