// Figures of the pictures: the conversion of a grey picture to the bytes a printer takes (dither,
// then the bytes of a mode), for a 576 x 800 and a 2048 x 2048 photo-like picture made in code
// (smooth gradients and noise), each dithering method in each mode. The median of several runs,
// in milliseconds, one line each: "picture 576x800 floyd-steinberg raster: 1.234 ms".
//
// `--write DIR` also writes the two grey pictures as raw bytes (DIR/grey-576x800.raw, row by row,
// 0 black to 255 white), for bench/encoder-compare.sh to convert the same pictures with another
// encoder.
//
// Prints figures only; exits 1 when a conversion gives no bytes.

#include "Measured.h"
#include "pictures/Pictures.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace printbench;

pictures::GreyPicture photo(int width, int height)
{
    pictures::GreyPicture p{width, height, {}};
    p.grey.reserve(std::size_t(width) * std::size_t(height));
    std::uint32_t seed = 12345;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const double noise = double(seed >> 24) / 255.0 * 24.0 - 12.0;
            const double v = 128.0 + 70.0 * std::sin(x / 97.0) * std::cos(y / 131.0) +
                             60.0 * (double(x) / width - double(y) / height) + noise;
            p.grey.push_back(std::uint8_t(std::clamp(v, 0.0, 255.0)));
        }
    return p;
}

template <typename Work>
double medianMs(int runs, Work work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string folder = argc == 3 && std::string(argv[1]) == "--write" ? argv[2] : "";
    return bench::measured("picture_bench", [&] {
        bool ok = true;
        for (const auto& [width, height, runs] : {std::tuple{576, 800, 31}, std::tuple{2048, 2048, 7}}) {
            const pictures::GreyPicture grey = photo(width, height);
            const std::string size = std::to_string(width) + "x" + std::to_string(height);
            if (!folder.empty())
                std::ofstream(folder + "/grey-" + size + ".raw", std::ios::binary)
                    .write(reinterpret_cast<const char*>(grey.grey.data()), std::streamsize(grey.grey.size()));
            for (const auto method : {pictures::Dither::Threshold, pictures::Dither::Ordered,
                                      pictures::Dither::FloydSteinberg, pictures::Dither::Atkinson})
                for (const auto mode :
                     {pictures::ImageMode::Column, pictures::ImageMode::Raster, pictures::ImageMode::Graphics}) {
                    std::size_t bytes = 0;
                    const double ms = medianMs(
                        runs, [&] { bytes = pictures::encode(pictures::dither(grey, method), mode).joined().size(); });
                    ok = ok && bytes > 0;
                    std::printf("picture %s %s %s: %.3f ms\n", size.c_str(),
                                std::string(pictures::ditherName(method)).c_str(),
                                std::string(pictures::modeName(mode)).c_str(), ms);
                }
        }
        return ok;
    });
}
