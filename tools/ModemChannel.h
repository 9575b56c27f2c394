// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// msk-modem channel: a test signal as a radio link would pass it (the simulator's
// signal processing is in modem/channel/). The recording is streamed block by
// block, so memory stays the same however long it is.

#include "modem/channel/BandMixer.h"
#include "modem/channel/ChannelOptions.h"
#include "modem/channel/ChannelPath.h"

#include <cstdint>
#include <vector>

namespace modem {

// Passes samples (16-bit scale, at rate samples per second) through the channel.
// A clock error changes the length by the same parts per million. The SNR is
// the signal power measured over the whole (shifted) input against the noise
// power that falls in kNoiseBandwidth; with fading it is the average SNR. A second
// station, a carrier and impulses are set against that same signal power.
std::vector<std::int16_t> applyChannel(const std::vector<double>& samples, int rate, const ChannelOptions& options);

// The channel command; argv[0] is "channel". Returns the exit code.
int runChannel(int argc, char** argv);

}  // namespace modem
