#include "status/Density.h"

#include "protocol/Commands.h"

namespace printbench::status {

void Density(link::PrinterChannel& channel, int densityIndex)
{
    channel.command(protocol::DensityPrefix);
    channel.byte(protocol::densityStep(densityIndex));
}

}  // namespace printbench::status
