#pragma once
// Points the transmitter's remembered choices (QSettings) at a folder of this test
// run and empties them, so every window starts as on a first start and no test
// touches the operator's own settings.

#include "transmitter/TransmitterWindow.h"

#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

inline void useFreshTransmitterSettings()
{
    static QTemporaryDir folder;
    static const bool pointed = [] {
        QStandardPaths::setTestModeEnabled(true);
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder.path());
        return true;
    }();
    (void)pointed;
    QSettings(QString::fromLatin1(TransmitterWindow::kSettingsOrganisation),
              QString::fromLatin1(TransmitterWindow::kSettingsApplication))
        .clear();
}
