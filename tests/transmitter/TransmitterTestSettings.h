// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The transmitter's remembered settings and the shared call kept in a folder of
// this test run, never the operator's, and forgotten: the next window starts as
// at its very first start.

#include "platform/OtherStationCall.h"
#include "tests/support/PrivateSettings.h"
#include "transmitter/TransmitterWindow.h"

#include <QSettings>

inline void UseFreshTransmitterSettings()
{
    PointSettingsAtTestFolder();
    QSettings(QString::fromLatin1(TransmitterWindow::kSettingsOrganisation),
              QString::fromLatin1(TransmitterWindow::kSettingsApplication))
        .clear();
    QSettings(QString::fromLatin1(OtherStationCall::kOrganisation), QString::fromLatin1(OtherStationCall::kApplication))
        .clear();
}
