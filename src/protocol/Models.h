#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

namespace printbench::protocol {

// The printer models of the model list, in its order, with the print width each has in dots.
// clang-format off
inline constexpr std::array<std::pair<std::string_view, std::int16_t>, 9> kModelWidths{{
    {"KL-310", 448}, {"KL-320", 640}, {"KL-330", 432}, {"KL-340", 640}, {"KL-350", 640},
    {"KL-360", 894}, {"KR-410", 432}, {"KR-420", 512}, {"KR-430", 512},
}};
// clang-format on

// The print width of a model named exactly as in the list; none for any other name.
constexpr std::optional<std::int16_t> modelPrintWidth(std::string_view model)
{
    for (const auto& [name, width] : kModelWidths) {
        if (name == model) return width;
    }
    return std::nullopt;
}

}  // namespace printbench::protocol
