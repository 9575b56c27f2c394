// SPDX-License-Identifier: GPL-3.0-or-later
// The other station's call shared between instances and between processes, through
// a settings folder of this test run (XDG_CONFIG_HOME, inherited by the helper
// process).

#include "platform/OtherStationCall.h"

#include <QCoreApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>

namespace {
// Run as a helper process: sets the call and ends.
constexpr const char* kSetCallArgument = "--set-call";
// How long a change may take to arrive; the wait ends as soon as it does.
constexpr int kArrivalMs = 5000;
}  // namespace

TEST(OtherStationCall, CallFromAPickedWord)
{
    EXPECT_EQ(OtherStationCall::CallFrom(QStringLiteral("dl1abc")), QStringLiteral("DL1ABC"));
    EXPECT_EQ(OtherStationCall::CallFrom(QStringLiteral("(G4XYZ/P),")), QStringLiteral("G4XYZ/P"));
    EXPECT_TRUE(OtherStationCall::CallFrom(QStringLiteral("...")).isEmpty());
    EXPECT_TRUE(OtherStationCall::CallFrom(QStringLiteral("/")).isEmpty());
    EXPECT_TRUE(OtherStationCall::CallFrom(QStringLiteral("dl1abc de")).isEmpty());  // two words
    EXPECT_TRUE(OtherStationCall::CallFrom(QStringLiteral("ABCDEFGHIJKLMNOPQ")).isEmpty());  // 17 characters
    EXPECT_EQ(OtherStationCall::CallFrom(QStringLiteral("VP2E/DL1ABC/MM")), QStringLiteral("VP2E/DL1ABC/MM"));
}

TEST(OtherStationCall, OneInstanceSetsItAnotherFollows)
{
    OtherStationCall receiver;
    OtherStationCall transmitter;
    QSignalSpy changed(&transmitter, &OtherStationCall::changed);

    receiver.set(QStringLiteral("dl1abc"));
    EXPECT_EQ(receiver.call(), QStringLiteral("DL1ABC"));
    ASSERT_TRUE(changed.count() > 0 || changed.wait(kArrivalMs));
    EXPECT_EQ(transmitter.call(), QStringLiteral("DL1ABC"));
    EXPECT_EQ(changed.last().at(0).toString(), QStringLiteral("DL1ABC"));

    // A second change arrives too: the file was replaced, the watch goes on.
    changed.clear();
    receiver.set(QStringLiteral("g4xyz"));
    ASSERT_TRUE(changed.count() > 0 || changed.wait(kArrivalMs));
    EXPECT_EQ(transmitter.call(), QStringLiteral("G4XYZ"));

    // A word that is no call changes nothing.
    receiver.set(QStringLiteral("--"));
    EXPECT_EQ(receiver.call(), QStringLiteral("G4XYZ"));

    // A program started later finds the call.
    OtherStationCall later;
    EXPECT_EQ(later.call(), QStringLiteral("G4XYZ"));
}

TEST(OtherStationCall, AnotherProcessSetsIt)
{
    OtherStationCall transmitter;
    QSignalSpy changed(&transmitter, &OtherStationCall::changed);
    QProcess helper;
    helper.start(QCoreApplication::applicationFilePath(),
                 {QString::fromLatin1(kSetCallArgument), QStringLiteral("ea3abc")});
    ASSERT_TRUE(helper.waitForFinished(kArrivalMs));
    ASSERT_EQ(helper.exitCode(), 0);
    ASSERT_TRUE(changed.count() > 0 || changed.wait(kArrivalMs));
    EXPECT_EQ(transmitter.call(), QStringLiteral("EA3ABC"));
}

int main(int argc, char** argv)
{
    // The settings of this run only; the helper process inherits the folder.
    static QTemporaryDir folder;
    if (argc == 3 && std::strcmp(argv[1], kSetCallArgument) == 0) {
        QCoreApplication application(argc, argv);
        OtherStationCall call;
        call.set(QString::fromLocal8Bit(argv[2]));
        return call.call().isEmpty() ? 1 : 0;
    }
    qputenv("XDG_CONFIG_HOME", folder.path().toLocal8Bit());
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
