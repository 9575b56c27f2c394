// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Points every program's remembered choices (QSettings) at a folder of this test
// run, once, so that no test reads or writes the operator's own settings.

#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

inline void PointSettingsAtTestFolder()
{
    static QTemporaryDir folder;
    static const bool pointed = [] {
        QStandardPaths::setTestModeEnabled(true);
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder.path());
        return true;
    }();
    (void)pointed;
}
