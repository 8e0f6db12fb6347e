#include "textservice/skin/tests/allocation_probe.h"

#include <atomic>

#if defined(__SANITIZE_ADDRESS__)
#define LZ_ALLOCATION_HOOKS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LZ_ALLOCATION_HOOKS 1
#endif
#endif

#ifdef LZ_ALLOCATION_HOOKS
// Part of the sanitizer runtime's allocator interface; GCC ships no header for it.
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*malloc_hook)(const volatile void*, std::size_t),
                                                         void (*free_hook)(const volatile void*));
#endif

namespace lz::test {
namespace {

std::atomic<bool> recording{false};
std::atomic<std::size_t> largest{0};

[[maybe_unused]] void OnAllocate(const volatile void*, std::size_t size) {
  if (!recording.load(std::memory_order_relaxed)) return;
  std::size_t seen = largest.load(std::memory_order_relaxed);
  while (size > seen && !largest.compare_exchange_weak(seen, size, std::memory_order_relaxed)) {
  }
}

[[maybe_unused]] void OnFree(const volatile void*) {}

}  // namespace

std::optional<std::size_t> LargestAllocationDuring(const std::function<void()>& run) {
#ifdef LZ_ALLOCATION_HOOKS
  static const bool installed = __sanitizer_install_malloc_and_free_hooks(OnAllocate, OnFree) != 0;
  largest = 0;
  recording = true;
  run();
  recording = false;
  if (!installed) return std::nullopt;
  return largest.load();
#else
  run();
  return std::nullopt;
#endif
}

}  // namespace lz::test
