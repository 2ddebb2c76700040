#pragma once

#include "scan/CodeRead.h"

#include <string>
#include <variant>
#include <vector>

namespace printbench::scan {

// The codes in a picture file (PNG, JPEG, BMP, ... as Qt's image readers know them, turned as
// its EXIF orientation says), or why the file cannot be read.
std::variant<std::vector<CodeRead>, std::string> readCodesInFile(const std::string& path);

}  // namespace printbench::scan
