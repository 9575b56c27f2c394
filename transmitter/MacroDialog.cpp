// SPDX-License-Identifier: GPL-3.0-or-later
#include "transmitter/MacroDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr const char* kTokensText =
    "<MYCALL> your callsign, <CALL> the other station's call (double-click it in the receiver), "
    "<UTC> the time as HHMM, <DATE> the date as YYYY-MM-DD, <RX> end the over once the text is out.";
constexpr int kFieldWidthChars = 48;
}  // namespace

MacroDialog::MacroDialog(const MacroSet& macros, const QString& myCall, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QString::fromLatin1(kTitle));
    auto* form = new QFormLayout;
    myCall_ = new QLineEdit(myCall, this);
    form->addRow(QStringLiteral("My callsign:"), myCall_);
    const int width = fontMetrics().averageCharWidth() * kFieldWidthChars;
    for (int i = 0; i < MacroSet::kCount; ++i) {
        auto* field = new QLineEdit(macros.text(i), this);
        field->setMinimumWidth(width);
        form->addRow(QStringLiteral("F%1:").arg(i + 1), field);
        fields_[static_cast<std::size_t>(i)] = field;
    }
    auto* tokens = new QLabel(QString::fromLatin1(kTokensText), this);
    tokens->setTextFormat(Qt::PlainText);
    tokens->setWordWrap(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel |
                                             QDialogButtonBox::RestoreDefaults,
                                         this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons->button(QDialogButtonBox::RestoreDefaults), &QPushButton::clicked, this, [this] {
        for (int i = 0; i < MacroSet::kCount; ++i)
            fields_[static_cast<std::size_t>(i)]->setText(MacroSet::defaultText(i));
    });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(tokens);
    layout->addWidget(buttons);
}

MacroSet MacroDialog::macros() const
{
    MacroSet set;
    for (int i = 0; i < MacroSet::kCount; ++i)
        set.setText(i, fields_[static_cast<std::size_t>(i)]->text());
    return set;
}

QString MacroDialog::myCall() const
{
    return myCall_->text().trimmed().toUpper();
}
