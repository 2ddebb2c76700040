#include "scan/app/ImageFile.h"

#include "pictures/app/PictureFile.h"
#include "scan/CodeReader.h"

namespace printbench::scan {

std::variant<std::vector<CodeRead>, std::string> readCodesInFile(const std::string& path)
{
    auto read = pictures::readGreyPicture(path);
    if (auto* why = std::get_if<std::string>(&read)) return std::move(*why);
    const pictures::GreyPicture& picture = std::get<pictures::GreyPicture>(read);
    const Reading reading = readCodes(picture.grey.data(), picture.width, picture.height);
    if (!reading.trouble.empty())
        return "the barcode reader (zxing-cpp) stopped on " + reading.trouble + " of " + path +
               ", so its codes there cannot be told";
    return reading.reads();
}

}  // namespace printbench::scan
