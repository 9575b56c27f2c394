// SPDX-License-Identifier: GPL-3.0-or-later
// The volume control each system opens, on the view asked for.

#include "platform/VolumeControlCommand.h"

#include <gtest/gtest.h>

namespace {

using Arguments = std::vector<std::string>;

TEST(VolumeControlCommand, LinuxOpensPavucontrolOnThePlaybackOrRecordingTab)
{
    const auto playback = volumeControlCommand(VolumeView::Playback, DesktopSystem::Linux);
    EXPECT_EQ(playback.program, "pavucontrol");
    EXPECT_EQ(playback.arguments, Arguments{"--tab=1"});
    const auto recording = volumeControlCommand(VolumeView::Recording, DesktopSystem::Linux);
    EXPECT_EQ(recording.program, "pavucontrol");
    EXPECT_EQ(recording.arguments, Arguments{"--tab=2"});
}

TEST(VolumeControlCommand, WindowsOpensTheSoundPanelOnItsPage)
{
    const auto playback = volumeControlCommand(VolumeView::Playback, DesktopSystem::Windows);
    EXPECT_EQ(playback.program, "control");
    EXPECT_EQ(playback.arguments, Arguments{"mmsys.cpl,,0"});
    EXPECT_EQ(volumeControlCommand(VolumeView::Recording, DesktopSystem::Windows).arguments,
              Arguments{"mmsys.cpl,,1"});
}

TEST(VolumeControlCommand, MacOpensAudioMidiSetupAsOneArgument)
{
    for (const auto view : {VolumeView::Playback, VolumeView::Recording}) {
        const auto command = volumeControlCommand(view, DesktopSystem::MacOS);
        EXPECT_EQ(command.program, "open");
        EXPECT_EQ(command.arguments, (Arguments{"-a", "Audio MIDI Setup"}));
    }
}

}  // namespace
