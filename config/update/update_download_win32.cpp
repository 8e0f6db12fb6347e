#include "config/update/update_download_win32.h"

#include <windows.h>

#include <wininet.h>

#include "platform/os/native_path.h"

namespace lz::config {
namespace {

constexpr wchar_t kAgentName[] = L"Quenlith-Config-Update/1.0";
constexpr DWORD kChunkBytes = 511;
constexpr DWORD kStatusBufferBytes = 10;

struct InternetHandle {
  HINTERNET handle = nullptr;
  ~InternetHandle() {
    if (handle) InternetCloseHandle(handle);
  }
};

struct FileHandle {
  HANDLE handle = INVALID_HANDLE_VALUE;
  ~FileHandle() { Close(); }
  bool Close() {
    if (handle == INVALID_HANDLE_VALUE) return true;
    const bool closed = CloseHandle(handle) != 0;
    handle = INVALID_HANDLE_VALUE;
    return closed;
  }
};

bool Transfer(HINTERNET request, const std::u16string& file, std::uint64_t max_bytes, DownloadProgress progress,
              void* context) {
  // The announced length, when there is one, is what a whole body holds.
  DWORD announced = 0;
  DWORD announced_size = sizeof announced;
  const bool has_length = HttpQueryInfoW(request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &announced,
                                         &announced_size, nullptr) != 0;
  if (has_length && announced > max_bytes) return false;
  FileHandle target;
  target.handle = CreateFileW(os::WidePtr(file.c_str()), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (target.handle == INVALID_HANDLE_VALUE) return false;
  std::uint64_t total = 0;
  char chunk[kChunkBytes];
  for (;;) {
    DWORD read = 0;
    if (!InternetReadFile(request, chunk, kChunkBytes, &read)) return false;
    if (read == 0) break;
    total += read;
    if (total > max_bytes) return false;
    DWORD written = 0;
    if (!WriteFile(target.handle, chunk, read, &written, nullptr) || written != read) return false;
    if (progress) progress(total, context);
  }
  // A connection that ends early reads like a whole body; only the announced length tells them apart.
  if (has_length && total != announced) return false;
  return target.Close();
}

}  // namespace

bool DownloadToFile(const std::u16string& address, const std::u16string& file, std::uint64_t max_bytes,
                    DownloadProgress progress, void* context, std::u16string& log) {
  log.clear();
  if (GetFileAttributesW(os::WidePtr(file.c_str())) != INVALID_FILE_ATTRIBUTES &&
      !DeleteFileW(os::WidePtr(file.c_str()))) {
    return false;
  }
  InternetHandle session;
  session.handle = InternetOpenW(kAgentName, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  if (!session.handle) return false;
  InternetHandle request;
  request.handle =
      InternetOpenUrlW(session.handle, os::WidePtr(address.c_str()), nullptr, 0, INTERNET_FLAG_NO_CACHE_WRITE, 0);
  if (!request.handle) return false;
  wchar_t status[kStatusBufferBytes / sizeof(wchar_t)] = {};
  DWORD status_size = kStatusBufferBytes;
  if (!HttpQueryInfoW(request.handle, HTTP_QUERY_STATUS_CODE, status, &status_size, nullptr)) status[0] = 0;
  status[std::size(status) - 1] = 0;
  if (std::wstring_view(status) != L"200") {
    const std::wstring text(status);
    log = u"无法访问的URL，错误代码：" + std::u16string(text.begin(), text.end());
    return false;
  }
  if (!Transfer(request.handle, file, max_bytes, progress, context)) {
    DeleteFileW(os::WidePtr(file.c_str()));
    return false;
  }
  return true;
}

}  // namespace lz::config
