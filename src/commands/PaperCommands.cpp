#include "commands/PaperCommands.h"

namespace printbench::commands {

using link::Route;

namespace {

void sendPaperCommand(link::PrinterChannel& channel, protocol::Bytes command, std::int64_t delayMs)
{
    if (channel.route() == Route::None) return;
    channel.command(command);
    statusAroundDelay(channel, delayMs);
}

}  // namespace

void statusAroundDelay(link::PrinterChannel& channel, std::int64_t delayMs)
{
    channel.requestStatus();
    channel.wait(delayMs);
    channel.requestStatus();
}

void SendFullCut(link::PrinterChannel& channel, std::int64_t delayMs)
{
    sendPaperCommand(channel, protocol::FullCut, delayMs);
}

void SendPartialCut(link::PrinterChannel& channel, std::int64_t delayMs)
{
    sendPaperCommand(channel, protocol::PartialCut, delayMs);
}

void SendBlackMark(link::PrinterChannel& channel, protocol::BlackMark move, std::int64_t delayMs)
{
    sendPaperCommand(channel, protocol::blackMark(move, channel.route() == Route::Usb), delayMs);
}

std::vector<std::uint8_t> feedParts(std::uint64_t dots)
{
    std::vector<std::uint8_t> parts;
    while (dots > protocol::MaxFeedDots) {
        parts.push_back(protocol::MaxFeedDots);
        dots -= protocol::MaxFeedDots;
    }
    parts.push_back(static_cast<std::uint8_t>(dots));
    return parts;
}

void SendFeed(link::PrinterChannel& channel, std::uint64_t dots, std::int64_t delayMs)
{
    if (channel.route() == Route::None) return;
    const std::vector<std::uint8_t> parts = feedParts(dots);
    for (const std::uint8_t part : parts) {
        channel.command(protocol::PrintAndFeed);
        channel.byte(part);
    }
    if (parts.size() == 1) channel.wait(delayMs);
}

}  // namespace printbench::commands
