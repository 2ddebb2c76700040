#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace printbench::run {

// What the technician can ask of the bench: the window's buttons that send, and the actions of
// printbench-run. Every record, report and program names an action through this one table.
// Test pages › Barcodes… and 2-D codes… print the sample page (Barcodes), one barcode, one QR
// code or one PDF417 code; Code pages… prints the charts of character code tables, Image… a
// picture of any format.
enum class Action {
    Sequence,
    HDiagram,
    BitPattern,
    Tile,
    TestPattern,
    Logo,
    Status,
    StatusClear,
    Identify,
    Barcodes,
    Barcode,
    Qr,
    Pdf417,
    CodePages,
    Image,
};

struct ActionName {
    Action action;
    // The window's name for it (its button's caption, in the program's own language), as runs
    // and the status bar show it.
    std::string_view label;
    // A stable English name: printbench-run's action word, and what the run log and the reports
    // carry beside the label for scripts.
    std::string_view id;
    // Its name in English, for the programs that speak English only (printbench-run).
    std::string_view english;
};

inline constexpr std::array<ActionName, 15> kActionNames{{
    {Action::Sequence, "Run", "sequence", "Run"},
    {Action::HDiagram, "H Diagram", "h-diagram", "H Diagram"},
    {Action::BitPattern, "비트패턴", "bit-pattern", "Bit Pattern"},
    {Action::Tile, "Tile", "tile", "Tile"},
    {Action::TestPattern, "Test Pattern", "test-pattern", "Test Pattern"},
    {Action::Logo, "Logo", "logo", "Logo"},
    {Action::Status, "Status", "status", "Status"},
    {Action::StatusClear, "Status Clear", "status-clear", "Status Clear"},
    {Action::Identify, "Identify", "identify", "Identify"},
    {Action::Barcodes, "Barcodes", "barcodes", "Barcodes"},
    {Action::Barcode, "Barcode", "barcode", "Barcode"},
    {Action::Qr, "QR code", "qr", "QR code"},
    {Action::Pdf417, "PDF417 code", "pdf417", "PDF417 code"},
    {Action::CodePages, "Code pages", "code-pages", "Code pages"},
    {Action::Image, "Image", "image", "Image"},
}};

std::string_view actionLabel(Action action);
std::string_view actionId(Action action);
std::string_view actionEnglish(Action action);
std::optional<Action> actionById(std::string_view id);
std::optional<Action> actionByLabel(std::string_view label);

}  // namespace printbench::run
