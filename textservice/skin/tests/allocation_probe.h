#pragma once
// The largest single heap block asked for while a piece of code runs. Known where the address
// sanitizer's allocator reports every allocation (the native tree); elsewhere the answer is empty and
// the caller skips what it would check.
#include <cstddef>
#include <functional>
#include <optional>

namespace lz::test {

std::optional<std::size_t> LargestAllocationDuring(const std::function<void()>& run);

}  // namespace lz::test
