// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Macros...": the operator's callsign and the twelve macros, one line each,
// with a reminder of the tokens. Window thread only.

#include "transmitter/Macros.h"

#include <QDialog>

#include <array>

class QLineEdit;

class MacroDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr const char* kTitle = "Macros";

    MacroDialog(const MacroSet& macros, const QString& myCall, QWidget* parent = nullptr);

    // What the fields hold (read once the dialog was accepted).
    MacroSet macros() const;
    QString myCall() const;

    QLineEdit* myCallField() const { return myCall_; }
    QLineEdit* macroField(int index) const { return fields_.at(static_cast<std::size_t>(index)); }

private:
    QLineEdit* myCall_ = nullptr;
    std::array<QLineEdit*, MacroSet::kCount> fields_{};
};
