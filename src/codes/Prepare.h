#pragma once

#include "codes/Codes.h"
#include "protocol/Commands.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

// The pieces of `prepare` each kind of code shares.
namespace printbench::codes {

// The title line: the code's name and text in ASCII, cut to the characters of 12 dots that fit
// on one line of the print width, so that the code follows right under it.
std::string titleLine(std::string_view name, std::string_view text, int printWidthDots);

// GS ( k pL pH cn fn and the parameters.
std::vector<std::uint8_t> code2d(std::uint8_t cn, protocol::Code2dFunction fn,
                                 std::initializer_list<std::uint8_t> params);
// GS ( k pL pH cn 80 48 and the data: pL pH count the data's bytes and 3.
std::vector<std::uint8_t> code2dStore(std::uint8_t cn, std::string_view data);

// "NAME: 456 dots wide (WHAT, 57 modules of 8 dots); the print width is 432 dots"
std::string tooWide(std::string_view name, int modules, int moduleDots, std::string_view what, int printWidthDots);

std::variant<PreparedCode, Refusal> prepareQr(const QrRequest& request, int printWidthDots);
std::variant<PreparedCode, Refusal> preparePdf417(const Pdf417Request& request, int printWidthDots);

}  // namespace printbench::codes
