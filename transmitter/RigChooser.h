// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Station → Rig…": picks a rig from the CAT library's list by maker and name, with
// the serial port (and speed) it hangs on, and gives the PTT text that keys it
// ("hamlib:MODEL:PORT[:BAUD]"), as if typed into the PTT field. Window thread only.

#include "platform/PttLine.h"

#include <QDialog>

#include <vector>

class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;

class RigChooser : public QDialog {
    Q_OBJECT

public:
    static constexpr const char* kTitle = "Rig for PTT by CAT";

    // `port` is offered in the port field (the serial port in use, if any).
    RigChooser(const std::vector<RigModel>& models, const QString& port, QWidget* parent = nullptr);

    // Shows only the rigs whose maker or name holds the text (any case).
    void setFilter(const QString& text);
    int shownCount() const;
    // Selects the rig with this model number; false when it is not shown.
    bool selectModel(int number);
    void setPort(const QString& port);
    void setBaud(int baud);  // 0: the rig's own default
    // The PTT text for the choice, or empty while no rig is selected or no port given.
    QString pttText() const;

private:
    void updateAccept();

    QLineEdit* filter_ = nullptr;
    QListWidget* list_ = nullptr;
    QLineEdit* port_ = nullptr;
    QComboBox* baud_ = nullptr;
    QPushButton* accept_ = nullptr;
};
