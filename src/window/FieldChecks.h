#pragma once

#include <cstdint>
#include <string_view>

namespace printbench::window {

// The value of a numeric field: an empty text counts as 0, leading digits are read, and a
// value beyond `max` (40 digits, say) is `max`.
std::uint64_t wholeNumber(std::string_view text, std::uint64_t max);

}  // namespace printbench::window
