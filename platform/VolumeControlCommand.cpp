// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/VolumeControlCommand.h"

namespace {
// pavucontrol 5 numbers its tabs 1 playback, 2 recording, 3 output devices,
// 4 input devices, 5 configuration.
constexpr const char* kPavucontrolPlaybackTab = "--tab=1";
constexpr const char* kPavucontrolRecordingTab = "--tab=2";
// The sound control panel's pages: 0 playback, 1 recording.
constexpr const char* kSoundPanelPlaybackPage = "mmsys.cpl,,0";
constexpr const char* kSoundPanelRecordingPage = "mmsys.cpl,,1";
}  // namespace

ProgramCommand volumeControlCommand(VolumeView view, DesktopSystem system)
{
    const bool playback = view == VolumeView::Playback;
    switch (system) {
    case DesktopSystem::Windows:
        return {"control", {playback ? kSoundPanelPlaybackPage : kSoundPanelRecordingPage}};
    case DesktopSystem::MacOS:
        // Audio MIDI Setup has one window for both directions.
        return {"open", {"-a", "Audio MIDI Setup"}};
    case DesktopSystem::Linux:
        break;
    }
    return {"pavucontrol", {playback ? kPavucontrolPlaybackTab : kPavucontrolRecordingTab}};
}
