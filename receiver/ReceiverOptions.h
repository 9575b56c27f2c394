#pragma once
// The receiver's own command-line options, applied to its window before it is
// first shown:
//   --log-dir DIR   write the received-text log into DIR instead of the user's
//                   data folder (also --log-dir=DIR).
// Other arguments are left to whoever reads them. Window thread only.

#include <QStringList>

class ReceiverWindow;

// False, with the fault written to standard error, when an option is malformed.
bool ApplyReceiverOptions(const QStringList& arguments, ReceiverWindow& window);
