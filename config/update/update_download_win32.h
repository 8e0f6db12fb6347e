#pragma once
// Downloads for the online update through WinINet: the system's proxy settings, nothing written to the
// cache, only a "200" answer taken. Every read and write is checked, a body that ends before its announced
// length fails, and a download that fails leaves no file behind.
#include <cstdint>
#include <string>

namespace lz::config {

// The update list is small; anything larger is no list.
constexpr std::uint64_t kMaxUpdateListBytes = std::uint64_t{1} << 20;
// An installer or data package.
constexpr std::uint64_t kMaxUpdatePackageBytes = std::uint64_t{512} << 20;

using DownloadProgress = void (*)(std::uint64_t bytes, void* context);

// Fetches address into file (an existing file is deleted first; one that cannot be deleted fails). log
// gets the line to show when the server answered with another status than 200. The progress callback
// (may be null) gets the running total after every chunk.
bool DownloadToFile(const std::u16string& address, const std::u16string& file, std::uint64_t max_bytes,
                    DownloadProgress progress, void* context, std::u16string& log);

}  // namespace lz::config
