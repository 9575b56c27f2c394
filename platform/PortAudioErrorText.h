// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Readable text for a PortAudio error code. For an unanticipated host error it adds
// the host API's own message, which PortAudio keeps only until the next failing
// call on the same thread, so call this right after the failure.
// Threads: any thread, but in practice the window thread that made the failing call.

#include <string>

std::string portAudioErrorText(int paError);
