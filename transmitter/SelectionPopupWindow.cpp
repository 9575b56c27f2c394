// SPDX-License-Identifier: GPL-3.0-or-later
#include "transmitter/SelectionPopupWindow.h"

#include "transmitter/DialogUnits.h"
#include "transmitter/DrawnButton.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>

#include <algorithm>
#include <functional>

namespace {

constexpr Qt::WindowFlags kFrame = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                                   | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;

// Positions in dialog units: x, y, width, height.
constexpr int kComboBox[] = {10, 42, 100, 60};  // the height takes in the dropped list
constexpr int kPromptBox[] = {10, 10, 130, 24};
constexpr int kAcceptBox[] = {150, 10, 40, 14};
constexpr int kCancelBox[] = {150, 26, 40, 14};
constexpr int kClearBox[] = {150, 42, 40, 14};

// The keys that stand for Accept and Cancel: plain Enter (either key) and Esc.
enum class PopupKey { None, Accept, Cancel };

PopupKey popupKey(const QKeyEvent& key)
{
    constexpr Qt::KeyboardModifiers held =
        Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    if (key.modifiers() & held)
        return PopupKey::None;
    switch (key.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return PopupKey::Accept;
    case Qt::Key_Escape:
        return PopupKey::Cancel;
    default:
        return PopupKey::None;
    }
}

// The editable drop-down list, saying when its list has finished opening and
// while it stays open: highlights set while it opens are Qt's, not the operator's.
class ChoiceBox final : public QComboBox {
public:
    using QComboBox::QComboBox;
    std::function<void()> opened;
    bool open() const { return open_; }

    void showPopup() override
    {
        open_ = false;
        QComboBox::showPopup();
        open_ = view()->isVisible();
        if (open_ && opened)
            opened();
    }
    void hidePopup() override
    {
        open_ = false;
        QComboBox::hidePopup();
    }

private:
    bool open_ = false;
};

}  // namespace

SelectionPopupWindow::SelectionPopupWindow(const QString& caption, const QString& prompt,
                                           const std::vector<std::string>& choices)
    : QWidget(nullptr, kFrame)
{
    setWindowTitle(caption);
    setFont(dialogFont());
    const DialogUnits units = DialogUnits::forFont(dialogFont());
    setFixedSize(units.x(kWidthUnits), units.y(kHeightUnits));

    QPalette ground = palette();
    ground.setColor(QPalette::Window, QColor(kBackground));
    setPalette(ground);
    setAutoFillBackground(true);

    // Controls in their creation order: list, prompt, Accept, Cancel, Clear.
    auto* choiceBox = new ChoiceBox(this);
    choiceBox->opened = [this] { highlightMoved_ = false; };
    combo_ = choiceBox;
    combo_->setProperty(kControlIdProperty, kComboId);
    combo_->setEditable(true);
    combo_->setInsertPolicy(QComboBox::NoInsert);  // the list is never changed by typing
    combo_->setCompleter(nullptr);                 // what is typed stays as typed
    combo_->setDuplicatesEnabled(true);
    combo_->setFocusPolicy(Qt::ClickFocus);        // no tab stop
    QPalette field = combo_->palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        field.setColor(group, QPalette::Base, QColor(kListBackground));
        field.setColor(group, QPalette::Text, QColor(kListText));
    }
    combo_->setPalette(field);
    combo_->view()->setPalette(field);
    combo_->view()->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    for (const std::string& choice : choices) {
        if (choice.empty())
            break;  // the list ends at its first empty entry
        combo_->addItem(QString::fromStdString(choice));
    }
    const QRect comboArea = units.rect(kComboBox[0], kComboBox[1], kComboBox[2], kComboBox[3]);
    const int fieldHeight = combo_->sizeHint().height();
    combo_->setGeometry(comboArea.x(), comboArea.y(), comboArea.width(), fieldHeight);
    // As many rows as the rest of the height holds, the way a dropped list is sized.
    const int rowHeight = std::max(1, std::max(combo_->view()->sizeHintForRow(0), combo_->fontMetrics().height()));
    combo_->setMaxVisibleItems(std::max(1, (comboArea.height() - fieldHeight) / rowHeight));

    prompt_ = new QLabel(this);
    prompt_->setProperty(kControlIdProperty, kPromptId);
    prompt_->setTextFormat(Qt::PlainText);  // an ampersand is shown as itself
    prompt_->setWordWrap(true);
    prompt_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette promptColours = prompt_->palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        promptColours.setColor(group, QPalette::WindowText, QColor(kPromptText));
    prompt_->setPalette(promptColours);
    prompt_->setText(prompt);
    prompt_->setGeometry(units.rect(kPromptBox[0], kPromptBox[1], kPromptBox[2], kPromptBox[3]));

    addButton(kAcceptId, QStringLiteral("Accept"), kAcceptFill, kAcceptCaption)
        ->setGeometry(units.rect(kAcceptBox[0], kAcceptBox[1], kAcceptBox[2], kAcceptBox[3]));
    addButton(kCancelId, QStringLiteral("Cancel"), kCancelFill, kCancelCaption)
        ->setGeometry(units.rect(kCancelBox[0], kCancelBox[1], kCancelBox[2], kCancelBox[3]));
    addButton(kClearId, QStringLiteral("Clear"), kClearFill, kClearCaption)
        ->setGeometry(units.rect(kClearBox[0], kClearBox[1], kClearBox[2], kClearBox[3]));

    connect(combo_, &QComboBox::activated, this, [this](int index) { emit entryChosen(combo_->itemText(index)); });
    connect(combo_->lineEdit(), &QLineEdit::textEdited, this, &SelectionPopupWindow::fieldEdited);
    connect(combo_->view()->selectionModel(), &QItemSelectionModel::currentChanged, this, [this, choiceBox] {
        if (choiceBox->open())
            highlightMoved_ = true;
    });
}

SelectionPopupWindow::~SelectionPopupWindow()
{
    watchKeyboard(false);
}

DrawnButton* SelectionPopupWindow::addButton(int id, const QString& caption, QRgb fill, QRgb captionColour)
{
    auto* button = new DrawnButton(caption, QColor(fill), QColor(captionColour), this);
    button->setProperty(kControlIdProperty, id);
    if (id == kAcceptId)
        connect(button, &QAbstractButton::clicked, this, &SelectionPopupWindow::acceptCommand);
    else if (id == kCancelId)
        connect(button, &QAbstractButton::clicked, this, &SelectionPopupWindow::cancelCommand);
    else
        connect(button, &QAbstractButton::clicked, this, &SelectionPopupWindow::clearCommand);
    return button;
}

QWidget* SelectionPopupWindow::control(int controlId) const
{
    for (QObject* child : children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (widget && widget->property(kControlIdProperty).toInt() == controlId)
            return widget;
    }
    return nullptr;
}

void SelectionPopupWindow::watchKeyboard(bool on)
{
    if (on == watching_ || !qApp)
        return;
    watching_ = on;
    if (on)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
}

void SelectionPopupWindow::centreOnScreen()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect placed = geometry();
    placed.moveCenter(screen->availableGeometry().center());
    move(placed.topLeft());
}

bool SelectionPopupWindow::eventFilter(QObject* watched, QEvent* event)
{
    // Every key press of the program passes here first, whichever window has the
    // focus: Enter and Esc are this pop-up's, and nothing else sees them, not even a
    // shortcut of another window.
    const QEvent::Type type = event->type();
    if (type == QEvent::ShortcutOverride || type == QEvent::KeyPress) {
        const PopupKey key = popupKey(*static_cast<QKeyEvent*>(event));
        if (key != PopupKey::None) {
            event->accept();
            if (type == QEvent::KeyPress) {
                if (key == PopupKey::Accept)
                    emit acceptCommand();
                else
                    emit cancelCommand();
            }
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void SelectionPopupWindow::closeEvent(QCloseEvent* event)
{
    // The window ends only when SelectionPopup says so; a close from outside is a
    // request like Cancel.
    event->ignore();
    emit systemClose();
}
