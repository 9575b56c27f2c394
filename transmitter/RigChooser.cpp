// SPDX-License-Identifier: GPL-3.0-or-later
#include "transmitter/RigChooser.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int kModelRole = Qt::UserRole;
// The speeds rigs' CAT ports run at; 0 leaves the rig's own default.
constexpr int kBauds[] = {0, 4800, 9600, 19200, 38400, 57600, 115200};
}  // namespace

RigChooser::RigChooser(const std::vector<RigModel>& models, const QString& port, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QString::fromLatin1(kTitle));
    auto* layout = new QVBoxLayout(this);
    filter_ = new QLineEdit(this);
    filter_->setPlaceholderText(QStringLiteral("Maker or model, e.g. IC-7300"));
    list_ = new QListWidget(this);
    for (const RigModel& model : models) {
        auto* item = new QListWidgetItem(QString::fromStdString(model.maker + " " + model.name) +
                                         QStringLiteral("  (%1)").arg(model.number));
        item->setData(kModelRole, model.number);
        list_->addItem(item);
    }
    auto* form = new QFormLayout;
    port_ = new QLineEdit(port, this);
    port_->setPlaceholderText(QStringLiteral("/dev/ttyUSB0"));
    baud_ = new QComboBox(this);
    for (const int baud : kBauds)
        baud_->addItem(baud == 0 ? QStringLiteral("the rig's default") : QString::number(baud), baud);
    form->addRow(QStringLiteral("&Port:"), port_);
    form->addRow(QStringLiteral("&Speed:"), baud_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    accept_ = buttons->button(QDialogButtonBox::Ok);
    layout->addWidget(filter_);
    layout->addWidget(list_);
    layout->addLayout(form);
    layout->addWidget(buttons);

    connect(filter_, &QLineEdit::textChanged, this, &RigChooser::setFilter);
    connect(list_, &QListWidget::currentRowChanged, this, [this] { updateAccept(); });
    connect(port_, &QLineEdit::textChanged, this, [this] { updateAccept(); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    updateAccept();
}

void RigChooser::setFilter(const QString& text)
{
    if (filter_->text() != text)
        filter_->setText(text);  // comes back here through textChanged
    for (int row = 0; row < list_->count(); ++row)
        list_->item(row)->setHidden(!list_->item(row)->text().contains(text, Qt::CaseInsensitive));
    updateAccept();
}

int RigChooser::shownCount() const
{
    int shown = 0;
    for (int row = 0; row < list_->count(); ++row)
        shown += list_->item(row)->isHidden() ? 0 : 1;
    return shown;
}

bool RigChooser::selectModel(int number)
{
    for (int row = 0; row < list_->count(); ++row) {
        QListWidgetItem* item = list_->item(row);
        if (!item->isHidden() && item->data(kModelRole).toInt() == number) {
            list_->setCurrentItem(item);
            return true;
        }
    }
    return false;
}

void RigChooser::setPort(const QString& port)
{
    port_->setText(port);
}

void RigChooser::setBaud(int baud)
{
    const int index = baud_->findData(baud);
    if (index >= 0)
        baud_->setCurrentIndex(index);
}

QString RigChooser::pttText() const
{
    const QListWidgetItem* item = list_->currentItem();
    const QString port = port_->text().trimmed();
    if (item == nullptr || item->isHidden() || port.isEmpty())
        return {};
    QString text = QStringLiteral("hamlib:%1:%2").arg(item->data(kModelRole).toInt()).arg(port);
    if (const int baud = baud_->currentData().toInt(); baud > 0)
        text += QStringLiteral(":%1").arg(baud);
    return text;
}

void RigChooser::updateAccept()
{
    accept_->setEnabled(!pttText().isEmpty());
}
