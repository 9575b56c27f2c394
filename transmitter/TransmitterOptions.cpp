// SPDX-License-Identifier: GPL-3.0-or-later
#include "transmitter/TransmitterOptions.h"

namespace {
const QString kCallsign = QStringLiteral("--callsign");
}

TransmitterOptions ParseTransmitterOptions(const QStringList& arguments)
{
    TransmitterOptions options;
    // arguments[0] is the program.
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == kCallsign && i + 1 < arguments.size())
            options.callsign = arguments[++i].trimmed().toUpper();
        else if (argument.startsWith(kCallsign + QLatin1Char('=')))
            options.callsign = argument.mid(kCallsign.size() + 1).trimmed().toUpper();
    }
    return options;
}
