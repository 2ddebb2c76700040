#include "pictures/PicturePrint.h"

#include "commands/PaperCommands.h"
#include "protocol/Commands.h"

namespace printbench::pictures {

namespace p = protocol;

commands::RunEnd PrintPicture(link::PrinterChannel& channel, const PictureBytes& bytes, commands::SharedState& state,
                              commands::RunPanel& panel, std::int64_t delayMs)
{
    commands::RepeatRun run(channel, state, panel);
    if (channel.route() == link::Route::None) return commands::RunEnd::Complete;
    run.begin();
    channel.command(p::Initialize);
    if (!bytes.start.empty()) channel.bytes(bytes.start);
    for (const auto& band : bytes.bands) {
        // Stop is heard between bands; each band leaves whole.
        run.letEventsIn();
        if (run.stopRequested()) return commands::RunEnd::Stopped;
        channel.bytes(band);
    }
    if (!bytes.end.empty()) channel.bytes(bytes.end);
    channel.command(p::PrintAndFeed120);
    commands::SendFullCut(channel, delayMs);
    run.finish();
    return commands::RunEnd::Complete;
}

}  // namespace printbench::pictures
