#pragma once
// The command line that opens the system's volume control on its playback or
// recording view. Pure, callable from any thread.

#include "VolumeControl.h"

#include <string>
#include <vector>

enum class DesktopSystem { Linux, Windows, MacOS };

struct ProgramCommand {
    std::string program;
    std::vector<std::string> arguments;
};

// The system this program was built for (other Unix desktops count as Linux).
DesktopSystem hostDesktopSystem();

ProgramCommand volumeControlCommand(VolumeView view, DesktopSystem system);
