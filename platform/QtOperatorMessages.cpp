// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/QtOperatorMessages.h"

#include <QApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QPointer>

namespace {
QMessageBox::Icon boxIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Exclamation:
        return QMessageBox::Warning;
    case MessageIcon::Stop:
        return QMessageBox::Critical;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}
}  // namespace

void QtOperatorMessages::beepExclamation()
{
    QApplication::beep();
}

void QtOperatorMessages::showMessage(const std::string& title, const std::string& text, MessageIcon icon)
{
    // Texts are plain: a '<' in a device's error text must not turn into markup.
    QPointer<QMessageBox> box = new QMessageBox(boxIcon(icon), QString::fromStdString(title),
                                                QString::fromStdString(text), QMessageBox::Ok);
    box->setTextFormat(Qt::PlainText);
    box->setWindowModality(Qt::NonModal);
    box->setAttribute(Qt::WA_DeleteOnClose, false);

    QEventLoop loop;
    QObject::connect(box, &QDialog::finished, &loop, &QEventLoop::quit);
    QObject::connect(box, &QObject::destroyed, &loop, &QEventLoop::quit);
    box->show();
    loop.exec();  // also left when the application quits
    delete box.data();
}
