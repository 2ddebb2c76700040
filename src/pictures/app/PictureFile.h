#pragma once

#include "pictures/Pictures.h"

#include <string>
#include <variant>

namespace printbench::pictures {

// The picture in a file as grey (PNG, JPEG, GIF, BMP of any depth, ... as Qt's image readers know
// them), turned as its EXIF orientation says, transparent parts laid on white (paper); or why the
// file cannot be read.
std::variant<GreyPicture, std::string> readGreyPicture(const std::string& path);

// A picture wider than `widthDots` made to fit: scaled down smoothly (its height in proportion),
// or, with `crop`, cropped at the width (its notice says so).
FittedPicture fitToWidth(const GreyPicture& picture, int widthDots, bool crop);

}  // namespace printbench::pictures
