#pragma once
// The hardware addresses of the machine's network adapters, in the order the system lists them
// (GetAdaptersInfo on Windows). Tests set a source that answers instead; POSIX builds list none.
#include <cstdint>
#include <vector>

namespace os {

using AdapterAddresses = std::vector<std::vector<std::uint8_t>>;

// Every adapter's address (an adapter may have one of length 0). Empty when the list cannot be had.
AdapterAddresses ListAdapterAddresses();

using AdapterSource = AdapterAddresses (*)(void* context);
// Routes ListAdapterAddresses to source (null: back to the system).
void SetAdapterSource(AdapterSource source, void* context);

}  // namespace os
