// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The command line that opens the system's volume control on its playback or
// recording view. Pure, callable from any thread.

#include "platform/DesktopSystem.h"
#include "platform/ProgramCommand.h"
#include "platform/VolumeControl.h"

ProgramCommand volumeControlCommand(VolumeView view, DesktopSystem system);
