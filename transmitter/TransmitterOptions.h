// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The transmitter's command-line options of the operator's aids:
//   --callsign CALL   (or --callsign=CALL) the operator's callsign for <MYCALL> in
//                     this run, in place of the one set in "Macros..."
// Other arguments are left to whoever reads them.

#include <QString>
#include <QStringList>

struct TransmitterOptions {
    QString callsign;  // empty: the remembered one
};

TransmitterOptions ParseTransmitterOptions(const QStringList& arguments);
