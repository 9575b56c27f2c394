// SPDX-License-Identifier: GPL-3.0-or-later
// Opening the devices where no sound server answers: the operator gets a readable
// reason and no notification follows. PULSE_SERVER points at a dead socket before
// PortAudio first looks at ALSA's configuration; where ALSA then falls back to a
// real sound card the tests are skipped.

#include "platform/PortAudioInputDevice.h"
#include "platform/PortAudioOutputDevice.h"
#include "tests/platform/CaptureLog.h"
#include "tests/platform/OutputLog.h"
#include "tests/platform/TurnEventLoop.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(WithoutSoundServer, InputOpenFailsWithReadableText)
{
    PortAudioInputDevice device;
    CaptureLog log;
    const int code = device.open(8000, log);
    if (code == 0) {
        device.close();
        GTEST_SKIP() << "a recording device answers without the sound server: " << device.deviceName();
    }
    const std::string text = device.errorText(code);
    std::printf("open: %d \"%s\"\n", code, text.c_str());
    EXPECT_FALSE(text.empty());
    EXPECT_NE(text, "Invalid error code");
    EXPECT_FALSE(device.isOpen());
    EXPECT_EQ(device.start(), PortAudioInputDevice::kNotOpen);
    EXPECT_EQ(device.close(), PortAudioInputDevice::kNotOpen);

    // "Start" is pressed once per run, but a second try must behave the same.
    EXPECT_EQ(device.open(8000, log), code);
}

TEST(WithoutSoundServer, OutputOpenFailsWithoutAnyNotification)
{
    PortAudioOutputDevice device;
    OutputLog log;
    if (device.open(32000, log)) {
        device.close();
        GTEST_SKIP() << "a playback device answers without the sound server: " << device.deviceName();
    }
    std::printf("open: \"%s\"\n", device.lastErrorText().c_str());
    EXPECT_FALSE(device.lastErrorText().empty());
    EXPECT_FALSE(device.isOpen());
    device.reset();  // all of these do nothing on a device that is not open
    device.close();
    turnEventLoopFor(100);
    EXPECT_TRUE(log.events.empty());
}

}  // namespace

int main(int argc, char** argv)
{
    QTemporaryDir home;  // no user configuration can name another server
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", home.path().toLocal8Bit());
    qputenv("PULSE_SERVER", QByteArray("unix:") + home.path().toLocal8Bit() + "/no-server");
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
