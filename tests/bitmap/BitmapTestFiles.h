#pragma once

#include <cstdint>
#include <vector>

namespace printbench::testkit {

// A 1-bit bitmap file as a painter program writes it: 14 + 40 header bytes, a palette whose
// first entry is black, rows bottom first, each padded to 4 bytes. `rows` are the stored rows
// top row first, unpadded; the file inverts nothing (a 0 bit is black).
inline std::vector<std::uint8_t> monochromeBmp(int width, int height, const std::vector<std::vector<std::uint8_t>>& rows,
                                               std::uint32_t palette0 = 0x00000000)
{
    const int rowBytes = (width + 7) / 8;
    const int stride = (rowBytes + 3) / 4 * 4;
    const std::uint32_t size = 62 + static_cast<std::uint32_t>(stride * height);
    std::vector<std::uint8_t> f(size, 0);
    const auto put32 = [&f](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) f[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    f[0] = 'B';
    f[1] = 'M';
    put32(2, size);
    put32(10, 62);
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(width));
    put32(22, static_cast<std::uint32_t>(height));
    f[26] = 1;
    f[28] = 1;
    put32(54, palette0);
    put32(58, 0x00FFFFFF);
    for (int y = 0; y < height; ++y) {
        const auto& row = rows[static_cast<std::size_t>(y)];
        const std::size_t at = 62 + static_cast<std::size_t>(stride * (height - 1 - y));
        for (int x = 0; x < rowBytes && x < static_cast<int>(row.size()); ++x) f[at + x] = row[static_cast<std::size_t>(x)];
    }
    return f;
}

} // namespace printbench::testkit
