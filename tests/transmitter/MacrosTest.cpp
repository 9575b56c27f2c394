// SPDX-License-Identifier: GPL-3.0-or-later
// The macros' tokens, their defaults and remembering them, and --callsign.

#include "transmitter/Macros.h"
#include "transmitter/TransmitterOptions.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

namespace {

// 7 December 2026, 09:05 UTC, given in a zone 5.5 hours ahead (14:35 there).
const QDateTime kNow(QDate(2026, 12, 7), QTime(14, 35), QTimeZone(5 * 3600 + 1800));

ExpandedMacro Expand(const char* macro, const char* myCall = "G4XYZ", const char* otherCall = "DL1ABC")
{
    return ExpandMacro(QString::fromLatin1(macro), {QString::fromLatin1(myCall), QString::fromLatin1(otherCall), kNow});
}

}  // namespace

TEST(Macros, TokensAreFilledInAndTheRestKeptAsTyped)
{
    const ExpandedMacro m = Expand("<CALL> de <MYCALL> at <UTC>z on <DATE> <QRZ> <call>");
    EXPECT_EQ(m.text, QStringLiteral("DL1ABC de G4XYZ at 0905z on 2026-12-07 <QRZ> DL1ABC"));
    EXPECT_FALSE(m.endsOver);
    EXPECT_TRUE(m.missing.isEmpty());

    // Just before midnight UTC the date is still UTC's, whatever the local zone.
    const QDateTime late(QDate(2026, 12, 31), QTime(23, 59), QTimeZone::utc());
    EXPECT_EQ(ExpandMacro(QStringLiteral("<DATE> <UTC>"), {{}, {}, late}).text, QStringLiteral("2026-12-31 2359"));
}

TEST(Macros, RxEndsTheOverAndLeavesNothingInTheText)
{
    const ExpandedMacro m = Expand("73 sk<RX>");
    EXPECT_EQ(m.text, QStringLiteral("73 sk"));
    EXPECT_TRUE(m.endsOver);
}

TEST(Macros, ACallNotSetIsReportedOnce)
{
    const ExpandedMacro m = Expand("<CALL> de <MYCALL> <MYCALL>", "", "");
    EXPECT_EQ(m.missing, (QStringList{QStringLiteral("<CALL>"), QStringLiteral("<MYCALL>")}));
    EXPECT_TRUE(Expand("ryry <UTC>", "", "").missing.isEmpty());  // no call needed, none missing
}

TEST(Macros, DefaultsAndRememberingThem)
{
    MacroSet macros;
    EXPECT_EQ(macros.text(0), QStringLiteral("CQ CQ CQ de <MYCALL> <MYCALL> <MYCALL> pse k<RX>"));
    EXPECT_EQ(macros.text(1), QStringLiteral("<CALL> de <MYCALL> "));
    EXPECT_EQ(macros.text(2), QStringLiteral("<CALL> de <MYCALL> 73 sk<RX>"));
    for (int i = 3; i < MacroSet::kCount; ++i)
        EXPECT_TRUE(macros.text(i).isEmpty()) << "F" << i + 1;

    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("settings.ini"));
    {
        QSettings settings(file, QSettings::IniFormat);
        MacroSet fresh;
        fresh.load(settings);  // nothing saved yet: the defaults
        EXPECT_EQ(fresh.text(0), macros.text(0));
        macros.setText(0, QStringLiteral("CQ TEST <MYCALL>"));
        macros.setText(2, QString());  // emptied on purpose: stays empty
        macros.setText(11, QStringLiteral("ryry"));
        macros.save(settings);
    }
    QSettings settings(file, QSettings::IniFormat);
    MacroSet loaded;
    loaded.load(settings);
    EXPECT_EQ(loaded.text(0), QStringLiteral("CQ TEST <MYCALL>"));
    EXPECT_EQ(loaded.text(1), MacroSet::defaultText(1));
    EXPECT_TRUE(loaded.text(2).isEmpty());
    EXPECT_EQ(loaded.text(11), QStringLiteral("ryry"));
}

TEST(TransmitterOptions, CallsignInEitherFormOthersLeftAlone)
{
    const auto parse = [](QStringList args) {
        args.prepend(QStringLiteral("msk-transmitter"));
        return ParseTransmitterOptions(args).callsign;
    };
    EXPECT_EQ(parse({QStringLiteral("--callsign"), QStringLiteral("g4xyz")}), QStringLiteral("G4XYZ"));
    EXPECT_EQ(parse({QStringLiteral("--ptt"), QStringLiteral("vox"), QStringLiteral("--callsign=dl1abc/p")}),
              QStringLiteral("DL1ABC/P"));
    EXPECT_TRUE(parse({QStringLiteral("--callsign")}).isEmpty());  // no value: nothing
    EXPECT_TRUE(parse({}).isEmpty());
}
