// SPDX-License-Identifier: GPL-3.0-or-later
#include "transmitter/SelectionPopup.h"

#include "transmitter/SelectionPopupWindow.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QEventLoop>
#include <QMetaObject>

namespace {

// Its state exists once: a second pop-up must not open while one is up.
bool popupOpen = false;

}  // namespace

bool SelectionPopup::anyOpen()
{
    return popupOpen;
}

std::string SelectionPopup::run(const std::string& prompt, const std::string& initialText,
                                const std::vector<std::string>& choices, const std::string& caption)
{
    if (popupOpen)
        return {};
    popupOpen = true;

    initialText_ = initialText;
    SelectionPopupWindow window(QString::fromStdString(caption), QString::fromStdString(prompt), choices);
    QEventLoop loop;
    window_ = &window;
    loop_ = &loop;

    endCode_ = kAccepted;
    ending_ = false;
    QComboBox* combo = window.combo();
    if (initialText_.empty()) {
        combo->setCurrentIndex(combo->count() > 0 ? 0 : -1);
        resultText_ = combo->currentText().toStdString();
    } else {
        combo->setCurrentIndex(-1);
        combo->setEditText(QString::fromStdString(initialText_));
        resultText_ = initialText_;
    }
    combo->setFocus();

    QObject::connect(&window, &SelectionPopupWindow::acceptCommand, &window, [this] { accept(); });
    QObject::connect(&window, &SelectionPopupWindow::cancelCommand, &window, [this] { cancel(); });
    QObject::connect(&window, &SelectionPopupWindow::systemClose, &window, [this] { cancel(); });
    QObject::connect(&window, &SelectionPopupWindow::clearCommand, &window, [this] { clear(); });
    QObject::connect(&window, &SelectionPopupWindow::entryChosen, &window,
                     [this](const QString& text) { takeText(text); });
    QObject::connect(&window, &SelectionPopupWindow::fieldEdited, &window,
                     [this](const QString& text) { takeText(text); });

    window.watchKeyboard(true);
    window.centreOnScreen();
    window.show();
    window.raise();
    window.activateWindow();
    loop.exec();
    // The loop also ends when the whole program is told to quit: that counts as Cancel.
    if (!ending_) {
        ending_ = true;
        endCode_ = kCancelled;
    }
    window.watchKeyboard(false);
    window.hide();

    window_ = nullptr;
    loop_ = nullptr;
    popupOpen = false;
    return endCode_ == kCancelled ? std::string() : resultText_;
}

void SelectionPopup::accept()
{
    // Enter while the list is dropped takes the entry the operator moved the
    // highlight to: that is the one seen picked. The row Qt highlights by itself as
    // the list opens is no choice; Enter then takes the field's text as it stands.
    QComboBox* combo = window_->combo();
    QAbstractItemView* list = combo->view();
    if (list->isVisible()) {
        const QModelIndex highlighted = list->currentIndex();
        const bool chosen = window_->listHighlightMoved();
        combo->hidePopup();
        if (chosen && highlighted.isValid()) {
            combo->setCurrentIndex(highlighted.row());
            takeText(combo->itemText(highlighted.row()));
        }
    }
    endCode_ = kAccepted;
    postClose();
}

void SelectionPopup::cancel()
{
    endCode_ = kCancelled;
    postClose();
}

void SelectionPopup::clear()
{
    // No entry current, an empty field, and Accept then returns an empty text.
    window_->combo()->setCurrentIndex(-1);
    window_->combo()->clearEditText();
    resultText_.clear();
}

void SelectionPopup::takeText(const QString& text)
{
    resultText_ = text.toStdString();
}

void SelectionPopup::postClose()
{
    // Queued like a posted close message, so a second Accept or Cancel before the
    // window has ended still finds it and is turned away by `ending`.
    QMetaObject::invokeMethod(window_, [this] { closeMessage(); }, Qt::QueuedConnection);
}

void SelectionPopup::closeMessage()
{
    if (ending_)
        return;
    ending_ = true;
    window_->watchKeyboard(false);
    window_->combo()->hidePopup();
    window_->hide();
    loop_->quit();
}
