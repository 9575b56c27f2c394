// SPDX-License-Identifier: GPL-3.0-or-later
// Choosing the sound device on the command line: --list-devices, and the one
// device a part of its name picks, or an error naming the candidates.

#include "platform/SoundDeviceChoice.h"
#include "tests/fakes/FakeSoundDeviceList.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

struct CommandLine {
    FakeSoundDeviceList server;
    std::ostringstream out;
    std::ostringstream err;
    std::optional<SoundDevice> chosen;

    CommandLine()
    {
        server.outputs = {{"Built-in Audio Analog Stereo", "alsa_output.pci-0000_00_1f.3.analog-stereo"},
                          {"USB Audio CODEC Analog Stereo", "alsa_output.usb-Burr-Brown_USB_AUDIO_CODEC-00.analog-stereo"},
                          {"HDMI / DisplayPort", "alsa_output.pci-0000_00_1f.3.hdmi-stereo"}};
        server.inputs = {{"Monitor of Built-in Audio Analog Stereo", "alsa_output.pci-0000_00_1f.3.analog-stereo.monitor"},
                         {"USB Audio CODEC Analog Stereo", "alsa_input.usb-Burr-Brown_USB_AUDIO_CODEC-00.analog-stereo"},
                         {"Monitor of USB Audio CODEC Analog Stereo", "alsa_output.usb-Burr-Brown_USB_AUDIO_CODEC-00.analog-stereo.monitor"}};
    }
    std::optional<int> run(std::vector<std::string> arguments, SoundDirection direction = SoundDirection::Output)
    {
        return applySoundDeviceOptions(arguments, direction, server, "msk-test", out, err, chosen);
    }
};

}  // namespace

TEST(SoundDeviceChoice, APartOfOneNameInAnyLetterCaseChoosesThatDevice)
{
    CommandLine c;
    EXPECT_EQ(c.run({"--output-device", "usb audio"}), std::nullopt);
    ASSERT_TRUE(c.chosen);
    EXPECT_EQ(c.chosen->serverName, "alsa_output.usb-Burr-Brown_USB_AUDIO_CODEC-00.analog-stereo");
    EXPECT_TRUE(c.err.str().empty());

    CommandLine monitor;
    EXPECT_EQ(monitor.run({"-style", "fusion", "--input-device=MONITOR OF USB"}, SoundDirection::Input), std::nullopt);
    ASSERT_TRUE(monitor.chosen);
    EXPECT_EQ(monitor.chosen->description, "Monitor of USB Audio CODEC Analog Stereo");
}

TEST(SoundDeviceChoice, WithoutItsOptionsTheDefaultStaysAndTheServerIsNotAsked)
{
    CommandLine c;
    EXPECT_EQ(c.run({"--input-device", "usb"}), std::nullopt);  // the other program's option
    EXPECT_FALSE(c.chosen);
    EXPECT_EQ(c.server.calls, 0);
}

TEST(SoundDeviceChoice, NoMatchOrSeveralIsAnErrorNamingTheCandidates)
{
    CommandLine none;
    EXPECT_EQ(none.run({"--output-device", "Radio"}), 2);
    EXPECT_FALSE(none.chosen);
    EXPECT_EQ(none.err.str(), "msk-test: no output device's name contains \"Radio\"; the output devices are:\n"
                              "  Built-in Audio Analog Stereo\n"
                              "  USB Audio CODEC Analog Stereo\n"
                              "  HDMI / DisplayPort\n");

    CommandLine several;
    EXPECT_EQ(several.run({"--input-device", "usb"}, SoundDirection::Input), 2);
    EXPECT_FALSE(several.chosen);
    EXPECT_EQ(several.err.str(), "msk-test: \"usb\" is part of the names of 2 input devices; give more of the one "
                                 "you mean:\n"
                                 "  USB Audio CODEC Analog Stereo\n"
                                 "  Monitor of USB Audio CODEC Analog Stereo\n");
    EXPECT_TRUE(several.out.str().empty());

    CommandLine missing;
    EXPECT_EQ(missing.run({"--output-device"}), 2);
    EXPECT_NE(missing.err.str().find("--list-devices"), std::string::npos);

    CommandLine noServer;
    noServer.server.failure = "Connection refused";
    EXPECT_EQ(noServer.run({"--output-device", "usb"}), 2);
    EXPECT_EQ(noServer.err.str(), "msk-test: the sound devices cannot be listed: Connection refused\n");
}

TEST(SoundDeviceChoice, ListDevicesPrintsTheNamesOneALine)
{
    CommandLine c;
    EXPECT_EQ(c.run({"--list-devices"}, SoundDirection::Input), 0);
    EXPECT_EQ(c.out.str(), "Monitor of Built-in Audio Analog Stereo\n"
                           "USB Audio CODEC Analog Stereo\n"
                           "Monitor of USB Audio CODEC Analog Stereo\n");
    EXPECT_TRUE(c.err.str().empty());

    CommandLine noServer;
    noServer.server.failure = "Connection refused";
    EXPECT_EQ(noServer.run({"--list-devices"}), 1);
    EXPECT_TRUE(noServer.out.str().empty());
}
