#include "platform/os/network_adapters.h"

#include <atomic>

#ifdef _WIN32
#include <winsock2.h>
#include <windows.h>

#include <iphlpapi.h>
#endif

namespace os {
namespace {

std::atomic<AdapterSource> g_source{nullptr};
std::atomic<void*> g_context{nullptr};

}  // namespace

void SetAdapterSource(AdapterSource source, void* context) {
  g_context = context;
  g_source = source;
}

AdapterAddresses ListAdapterAddresses() {
  if (const AdapterSource source = g_source) return source(g_context);
  AdapterAddresses addresses;
#ifdef _WIN32
  // Asked with no buffer first; only an answer that names the size it needs is asked again.
  ULONG size = 0;
  if (GetAdaptersInfo(nullptr, &size) != ERROR_BUFFER_OVERFLOW || size == 0) return addresses;
  std::vector<std::uint8_t> buffer(size);
  auto* first = reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data());
  if (GetAdaptersInfo(first, &size) != ERROR_SUCCESS) return addresses;
  for (const IP_ADAPTER_INFO* adapter = first; adapter; adapter = adapter->Next) {
    const UINT length = adapter->AddressLength < MAX_ADAPTER_ADDRESS_LENGTH ? adapter->AddressLength
                                                                            : MAX_ADAPTER_ADDRESS_LENGTH;
    addresses.emplace_back(adapter->Address, adapter->Address + length);
  }
#endif
  return addresses;
}

}  // namespace os
