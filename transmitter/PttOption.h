// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The command line's --ptt TEXT (or --ptt=TEXT): how to key the radio for this
// run, typed as in the "PTT port" pop-up ("COM2", "/dev/ttyUSB0",
// "rigctld:localhost:4532", "hamlib:3073:/dev/ttyUSB0:19200", "cm108:/dev/hidraw0:3",
// "vox"). It is not remembered.

#include <optional>
#include <string>

class TransmitterWindow;

// The option's text, or nothing when it is not given; an --ptt without a text is
// an error (the returned error text is set).
std::optional<std::string> pttOptionText(int argc, char** argv, std::string& error);

// Applies --ptt to the window before its initialisation. Returns false, with the
// reason on standard error, when the option is given wrongly; the program then ends
// with status 2.
bool applyPttOption(TransmitterWindow& window, int argc, char** argv);
