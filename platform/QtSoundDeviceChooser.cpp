// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/QtSoundDeviceChooser.h"

#include <QApplication>
#include <QInputDialog>
#include <QStringList>

int QtSoundDeviceChooser::choose(const std::string& title, const std::string& label,
                                 const std::vector<std::string>& names, int current)
{
    QStringList items;
    for (const std::string& name : names)
        items << QString::fromStdString(name);
    bool accepted = false;
    const QString item = QInputDialog::getItem(QApplication::activeWindow(), QString::fromStdString(title),
                                               QString::fromStdString(label), items, current, false, &accepted);
    return accepted ? static_cast<int>(items.indexOf(item)) : -1;
}
