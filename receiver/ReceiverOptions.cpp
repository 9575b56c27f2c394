#include "receiver/ReceiverOptions.h"

#include "receiver/ReceiverWindow.h"

#include <iostream>

namespace {
const QString kLogDirOption = QStringLiteral("--log-dir");
}  // namespace

bool ApplyReceiverOptions(const QStringList& arguments, ReceiverWindow& window)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        QString folder;
        if (argument == kLogDirOption) {
            if (i + 1 >= arguments.size()) {
                std::cerr << "msk-receiver: --log-dir needs a folder\n";
                return false;
            }
            folder = arguments[++i];
        } else if (argument.startsWith(kLogDirOption + QLatin1Char('='))) {
            folder = argument.mid(kLogDirOption.size() + 1);
        } else {
            continue;
        }
        if (folder.isEmpty()) {
            std::cerr << "msk-receiver: --log-dir needs a folder\n";
            return false;
        }
        window.setLogFolder(folder);
    }
    return true;
}
