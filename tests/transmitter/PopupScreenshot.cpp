// SPDX-License-Identifier: GPL-3.0-or-later
// Test-only program: shows the port selection pop-up as the operator sees it and
// saves a picture of it. Usage: popup-screenshot <file.png> [--dropped]
// With --dropped the list is shown dropped and the program waits ten seconds, so
// that a picture of the whole screen can be taken meanwhile.

#include "transmitter/SelectionPopup.h"
#include "transmitter/SelectionPopupWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QPixmap>
#include <QTimer>

#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <file.png>\n", argv[0]);
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    SelectionPopup popup;
    const bool dropped = argc > 2 && QString::fromLocal8Bit(argv[2]) == QStringLiteral("--dropped");
    bool saved = false;
    QTimer::singleShot(500, [&] {
        SelectionPopupWindow* window = popup.window();
        if (!window)
            return;
        saved = window->grab().save(path);
        if (dropped)
            window->combo()->showPopup();
        QTimer::singleShot(dropped ? 10000 : 0, window, [window] { window->close(); });
    });
    popup.run("Select comport for PTT control", "COM 1",
              {"none", "COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8", "COM9"}, "PTT control");
    return saved ? 0 : 1;
}
