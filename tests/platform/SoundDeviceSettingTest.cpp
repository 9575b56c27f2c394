// SPDX-License-Identifier: GPL-3.0-or-later
// The sound device a program uses: the default at first, a choice made in the
// window remembered, a remembered device that is gone named to the operator and
// never swapped for another.

#include "platform/SoundDeviceSetting.h"
#include "tests/fakes/FakeOperatorMessages.h"
#include "tests/fakes/FakeSoundDeviceList.h"

#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

struct ScriptedChooser : SoundDeviceChooser {
    int answer = -1;
    std::vector<std::string> offered;
    int offeredCurrent = -2;
    int choose(const std::string&, const std::string&, const std::vector<std::string>& names, int current) override
    {
        offered = names;
        offeredCurrent = current;
        return answer;
    }
};

const SoundDevice kRadio{"USB Audio CODEC Analog Stereo", "alsa_output.usb-CODEC-00.analog-stereo"};
const SoundDevice kBuiltIn{"Built-in Audio Analog Stereo", "alsa_output.pci.analog-stereo"};

class SoundDeviceSettingTest : public ::testing::Test {
protected:
    QTemporaryDir folder;
    FakeSoundDeviceList server;
    ScriptedChooser chooser;
    FakeOperatorMessages messages;

    void SetUp() override { server.outputs = {kBuiltIn, kRadio}; }

    // A program run: its settings file as the last run left it.
    std::unique_ptr<QSettings> store() const
    {
        return std::make_unique<QSettings>(folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    }
};

}  // namespace

TEST_F(SoundDeviceSettingTest, AFreshStartUsesTheDefaultWithoutAskingTheServer)
{
    const auto settings = store();
    SoundDeviceSetting setting(SoundDirection::Output, *settings, server, chooser, messages, "MSK transmitter");
    setting.start(std::nullopt);
    EXPECT_EQ(setting.serverName(), "");
    EXPECT_EQ(setting.description(), "System default");
    EXPECT_TRUE(setting.checkPresent());
    EXPECT_EQ(server.calls, 0);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SoundDeviceSettingTest, AChoiceInTheWindowIsRememberedForTheNextRun)
{
    {
        const auto settings = store();
        SoundDeviceSetting setting(SoundDirection::Output, *settings, server, chooser, messages, "MSK transmitter");
        setting.start(std::nullopt);
        chooser.answer = 2;  // after "System default" and the built-in card
        EXPECT_TRUE(setting.choose());
        EXPECT_EQ(chooser.offered,
                  (std::vector<std::string>{"System default", kBuiltIn.description, kRadio.description}));
        EXPECT_EQ(chooser.offeredCurrent, 0);
        EXPECT_EQ(setting.serverName(), kRadio.serverName);
    }
    const auto settings = store();
    SoundDeviceSetting next(SoundDirection::Output, *settings, server, chooser, messages, "MSK transmitter");
    next.start(std::nullopt);
    EXPECT_EQ(next.serverName(), kRadio.serverName);
    EXPECT_EQ(next.description(), kRadio.description);
    EXPECT_TRUE(messages.shown.empty());

    // Cancelled, or the same one again: nothing changes. The default can be chosen back.
    chooser.answer = -1;
    EXPECT_FALSE(next.choose());
    EXPECT_EQ(chooser.offeredCurrent, 2);
    chooser.answer = 2;
    EXPECT_FALSE(next.choose());
    chooser.answer = 0;
    EXPECT_TRUE(next.choose());
    EXPECT_EQ(next.serverName(), "");
    EXPECT_EQ(store()->value(QStringLiteral("sound/device")).toString(), QString());
}

TEST_F(SoundDeviceSettingTest, ARememberedDeviceThatIsGoneIsNamedAndKept)
{
    store()->setValue(QStringLiteral("sound/device"), QString::fromStdString(kRadio.serverName));
    store()->setValue(QStringLiteral("sound/description"), QString::fromStdString(kRadio.description));
    server.outputs = {kBuiltIn};  // the interface is unplugged

    const auto settings = store();
    SoundDeviceSetting setting(SoundDirection::Output, *settings, server, chooser, messages, "MSK transmitter");
    setting.start(std::nullopt);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].title, "MSK transmitter");
    EXPECT_EQ(messages.shown[0].text, "The sound device \"USB Audio CODEC Analog Stereo\" is not there. Plug it in, "
                                      "or choose another with Station > Sound device.");
    EXPECT_EQ(setting.serverName(), kRadio.serverName);  // no fall-back to the built-in card

    EXPECT_FALSE(setting.checkPresent());  // each attempt to open it says so again
    EXPECT_EQ(messages.shown.size(), 2u);
    server.outputs = {kBuiltIn, kRadio};  // plugged in again
    EXPECT_TRUE(setting.checkPresent());
    EXPECT_EQ(messages.shown.size(), 2u);
}

TEST_F(SoundDeviceSettingTest, TheCommandLinesDeviceHoldsForOneRunOnly)
{
    store()->setValue(QStringLiteral("sound/device"), QString::fromStdString(kBuiltIn.serverName));
    const auto settings = store();
    SoundDeviceSetting setting(SoundDirection::Output, *settings, server, chooser, messages, "MSK transmitter");
    setting.start(kRadio);
    EXPECT_EQ(setting.serverName(), kRadio.serverName);
    EXPECT_EQ(store()->value(QStringLiteral("sound/device")).toString().toStdString(), kBuiltIn.serverName);
}
