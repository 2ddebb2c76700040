#include "commands/CommandBytes.h"

namespace printbench::commands {

std::vector<std::uint8_t> feedParts(std::uint64_t dots)
{
    std::vector<std::uint8_t> parts;
    while (dots > 255) {
        parts.push_back(255);
        dots -= 255;
    }
    parts.push_back(static_cast<std::uint8_t>(dots));
    return parts;
}

int hLineLength(int widthDots)
{
    switch (widthDots) {
    case 432:
    case 448:
    case 512:
    case 640:
        return widthDots / 12;
    default:
        return 0;
    }
}

} // namespace printbench::commands
