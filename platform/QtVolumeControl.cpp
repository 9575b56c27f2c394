// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/QtVolumeControl.h"

#include "platform/VolumeControlCommand.h"

#include <QProcess>
#include <QString>
#include <QStringList>

void QtVolumeControl::start(VolumeView view)
{
    const ProgramCommand command = volumeControlCommand(view, hostDesktopSystem());
    QStringList arguments;
    for (const std::string& argument : command.arguments)
        arguments << QString::fromStdString(argument);
    QProcess::startDetached(QString::fromStdString(command.program), arguments);
}
