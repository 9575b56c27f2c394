// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Choosing a sound device by part of the name the desktop shows, as the operator
// types it after --input-device / --output-device, and the --list-devices listing.
// Threads: main(), before the window exists.

#include "platform/SoundDevices.h"

#include <cstddef>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

struct SoundDeviceMatch {
    enum Kind { Unique, None, Several } kind = None;
    std::size_t index = 0;               // of the one match
    std::vector<std::size_t> matches;    // every match, in list order
};

// TEXT matches a device when it is a part of its description, letter case aside.
SoundDeviceMatch matchSoundDevice(const std::string& text, const std::vector<SoundDevice>& devices);

// Exit status of a usage error on the command line.
inline constexpr int kSoundOptionUsageError = 2;

// Acts on --list-devices (prints the descriptions one a line on `out`, then the
// program is to end with 0) and on --input-device TEXT or --output-device TEXT
// (for Input or Output; also written --output-device=TEXT): the one device TEXT
// matches goes to `chosen`. No match, several, a missing TEXT or a server that
// cannot be asked are told on `err`, naming the candidates, and end the program
// with 2 (1 when only listing fails). Returns the exit status, or nothing to go on.
std::optional<int> applySoundDeviceOptions(const std::vector<std::string>& arguments, SoundDirection direction,
                                           SoundDeviceList& list, const std::string& program, std::ostream& out,
                                           std::ostream& err, std::optional<SoundDevice>& chosen);
