// SPDX-License-Identifier: GPL-3.0-or-later
#include "transmitter/TransmitterWindow.h"

#include "modem/transmit/DriveLevel.h"
#include "platform/DialogKeys.h"
#include "platform/OperatorMessages.h"
#include "platform/OtherStationCall.h"
#include "platform/SoundDeviceSetting.h"
#include "platform/VolumeControl.h"
#include "transmitter/DialogUnits.h"
#include "transmitter/EntryTextSource.h"
#include "transmitter/MacroDialog.h"
#include "transmitter/OnAirDevice.h"
#include "transmitter/RigChooser.h"
#include "transmitter/TxAudioStream.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QActionGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSettings>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTextBlock>

#include <algorithm>


namespace {

// The window and its controls in dialog units of the dialog font.
constexpr int kWindowWidth = 340;
constexpr int kWindowHeight = 64;

struct Placement {
    int x, y, width, height;
};
constexpr Placement kTogglePlace{231, 24, 50, 14};
constexpr Placement kPttPortPlace{282, 24, 50, 14};
constexpr Placement kOutputPlace{282, 39, 50, 14};
constexpr Placement kFirstModePlace{10, 7, 50, 15};  // each further option 50 to the right
constexpr int kModeSpacing = 50;
constexpr Placement kStatusPlace{225, 44, 56, 8};
constexpr Placement kEntryPlace{10, 24, 210, 30};

constexpr const char* kPttPortText = "PTT port";
constexpr const char* kOutputText = "Output";
constexpr const char* kStatusStartText = "0";

// The operator's aids: the menu items and the text of the bar's right corner.
constexpr const char* kTurnOnItem = "&Turn On";
constexpr const char* kEndOverItem = "&End the over";
constexpr const char* kClearItem = "&Clear for a new over";
constexpr const char* kMacrosItem = "&Macros...";
constexpr const char* kCallCornerText = "Call: %1";
constexpr const char* kEndingCornerText = "Over ends after the text";
constexpr const char* kCornerSeparator = "    ";
constexpr const char* kMissingCallsText = "The macro needs %1, which is not set yet.\n\n"
                                          "Your callsign is set in Operate > Macros... (or with --callsign); "
                                          "the other station's call by double-clicking it in the receiver.";
constexpr int kMacroItemChars = 32;  // a macro's text in its menu item, elided beyond this
// Text already on the air: the dark red of a transmitted text, the waiting text
// keeps the entry's own colour.
constexpr QRgb kOnAirColour = 0xb00000;
constexpr const char* kStationMenuText = "Station";
constexpr const char* kSoundDeviceText = "Sound device...";
constexpr int kDryLabelMarginPx = 6;  // right of the underrun notice's text

}  // namespace

TransmitterWindow::TransmitterWindow(const TransmitterDevices& devices, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      devices_(devices),
      ptt_(devices.serial, devices.messages, devices.pttLines),
      store_(std::make_unique<QSettings>(QString::fromLatin1(kSettingsOrganisation),
                                         QString::fromLatin1(kSettingsApplication)))
{
    buildControls();
    entryText_ = std::make_unique<EntryTextSource>(*entry_->document());
    queue_ = std::make_unique<TxBitQueue>(*entryText_, *this);
    progress_ = std::make_unique<OverProgress>(*queue_, *entryText_, static_cast<OverProgressListener&>(*this));
    onAirDevice_ = std::make_unique<OnAirDevice>(devices_.audio, *queue_, *progress_);
    stream_ = std::make_unique<TxAudioStream>(*onAirDevice_, *queue_, synthesizer_, ptt_, *this, devices_.messages);
    // After the text source's own connection, so that it has taken the change in.
    connect(entry_->document(), &QTextDocument::contentsChange, this, &TransmitterWindow::entryChanged);
    buildMenuBar();

    // 31 baud at start, as the synthesiser starts.
    modes_->button(kTxModes.front().optionId)->setChecked(true);
}

TransmitterWindow::~TransmitterWindow() = default;

void TransmitterWindow::buildControls()
{
    setFont(dialogFont());
    const DialogUnits units = DialogUnits::forFont(dialogFont());
    // The controls sit in a client area of their own, below the menu bar.
    client_ = new QWidget(this);
    client_->setGeometry(0, 0, units.x(kWindowWidth), units.y(kWindowHeight));
    setFixedSize(client_->size());

    const auto place = [&](QWidget* widget, int id, const Placement& at) {
        widget->setGeometry(units.rect(at.x, at.y, at.width, at.height));
        widget->setProperty(kControlIdProperty, id);
    };

    // In creation order, which is the tab order.
    toggle_ = new QPushButton(QString::fromLatin1(TxAudioStream::kTurnOnText), client_);
    place(toggle_, kToggleId, kTogglePlace);
    pttButton_ = new QPushButton(QString::fromLatin1(kPttPortText), client_);
    place(pttButton_, kPttPortId, kPttPortPlace);
    outputButton_ = new QPushButton(QString::fromLatin1(kOutputText), client_);
    place(outputButton_, kOutputId, kOutputPlace);

    modes_ = new QButtonGroup(this);
    modes_->setExclusive(true);
    int column = 0;
    QWidget* previous = outputButton_;
    setTabOrder(toggle_, pttButton_);
    setTabOrder(pttButton_, outputButton_);
    for (const TxMode& mode : kTxModes) {
        auto* option = new QRadioButton(QString::fromLatin1(mode.label), client_);
        place(option, mode.optionId,
              {kFirstModePlace.x + column * kModeSpacing, kFirstModePlace.y, kFirstModePlace.width, kFirstModePlace.height});
        // The first option starts the group and is no tab stop of its own.
        option->setFocusPolicy(column == 0 ? Qt::ClickFocus : Qt::StrongFocus);
        option->installEventFilter(this);
        modes_->addButton(option, mode.optionId);
        setTabOrder(previous, option);
        previous = option;
        ++column;
    }

    status_ = new QLabel(QString::fromLatin1(kStatusStartText), client_);
    place(status_, kStatusId, kStatusPlace);
    status_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    entry_ = new QPlainTextEdit(client_);
    place(entry_, kEntryId, kEntryPlace);
    entry_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    entry_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    entry_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    entry_->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    entry_->setTabChangesFocus(true);  // Tab moves on, as in every dialog; Enter breaks the line
    setTabOrder(previous, entry_);
    tabOrder_ = {toggle_, pttButton_, outputButton_};
    for (QAbstractButton* option : modes_->buttons())
        tabOrder_.push_back(option);
    tabOrder_.push_back(entry_);

    connect(toggle_, &QPushButton::clicked, this, [this] { toggleTransmission(); });
    connect(pttButton_, &QPushButton::clicked, this, [this] { choosePttPort(); });
    connect(outputButton_, &QPushButton::clicked, this, [this] { devices_.volume.start(VolumeView::Playback); });
    connect(modes_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (!checked)
            return;
        for (const TxMode& mode : kTxModes)
            if (mode.optionId == id)
                synthesizer_.setSamplesPerBit(mode.samplesPerBit);
    });
}

void TransmitterWindow::buildMenuBar()
{
    QSettings settings(QString::fromLatin1(kSettingsOrganisation), QString::fromLatin1(kSettingsApplication));
    macros_.load(settings);
    myCall_ = settings.value(QString::fromLatin1(MacroSet::kMyCallKey)).toString();
    clock_ = [] { return QDateTime::currentDateTimeUtc(); };

    menuBar_ = new QMenuBar(this);
    QMenu* operate = menuBar_->addMenu(QString::fromLatin1(kOperateMenuText));
    const auto item = [this, operate](const char* text, QKeySequence keys, void (TransmitterWindow::*run)()) {
        QAction* action = operate->addAction(QString::fromLatin1(text));
        action->setShortcut(keys);
        connect(action, &QAction::triggered, this, run);
        return action;
    };
    item(kTurnOnItem, QKeySequence(Qt::CTRL | Qt::Key_T), &TransmitterWindow::turnOn);
    item(kEndOverItem, QKeySequence(Qt::CTRL | Qt::Key_R), &TransmitterWindow::endOver);
    item(kClearItem, QKeySequence(Qt::CTRL | Qt::Key_L), &TransmitterWindow::clearForNewOver);
    operate->addSeparator();
    for (int i = 0; i < MacroSet::kCount; ++i) {
        QAction* action = operate->addAction(QString());
        action->setShortcut(QKeySequence(Qt::Key_F1 + i));
        action->setData(i);
        connect(action, &QAction::triggered, this, [this, i] { sendMacro(i); });
    }
    // The macro items show the macros' texts as they are when the menu opens.
    connect(operate, &QMenu::aboutToShow, this, [this, operate] {
        for (QAction* action : operate->actions()) {
            if (!action->data().isValid())
                continue;
            const QString text = macros_.text(action->data().toInt());
            action->setText(text.isEmpty() ? QStringLiteral("(empty)")
                                           : fontMetrics().elidedText(text, Qt::ElideRight,
                                                                      fontMetrics().averageCharWidth() * kMacroItemChars));
        }
    });
    operate->addSeparator();
    item(kMacrosItem, QKeySequence(), &TransmitterWindow::editMacros);

    QMenu* station = menuBar_->addMenu(QString::fromLatin1(kStationMenuText));
    soundDeviceAction_ = station->addAction(QString::fromLatin1(kSoundDeviceText));
    connect(soundDeviceAction_, &QAction::triggered, this, [this] { chooseSoundDevice(); });
    buildStationMenu(*station);

    callLabel_ = new QLabel(menuBar_);
    callLabel_->setTextFormat(Qt::PlainText);
    callLabel_->setContentsMargins(0, 0, fontMetrics().averageCharWidth(), 0);
    // Wide enough for the longest corner from the start: the bar lays its corner
    // out only when the bar itself is laid out.
    callLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    callLabel_->setMinimumWidth(fontMetrics().horizontalAdvance(QString::fromLatin1(kCallCornerText)
                                                                    .arg(QString(OtherStationCall::kMaxLength, QLatin1Char('0'))) +
                                                                QString::fromLatin1(kCornerSeparator) +
                                                                QString::fromLatin1(kEndingCornerText)) +
                                fontMetrics().averageCharWidth());
    // The bar has one corner on the right: the underrun notice and the call share it.
    dryLabel_ = new QLabel;
    dryLabel_->setContentsMargins(0, 0, kDryLabelMarginPx, 0);
    dryLabel_->setStyleSheet(QStringLiteral("color: #c00000"));
    dryLabel_->hide();
    auto* corner = new QWidget(menuBar_);
    auto* cornerLayout = new QHBoxLayout(corner);
    cornerLayout->setContentsMargins(0, 0, 0, 0);
    cornerLayout->setSpacing(0);
    cornerLayout->addWidget(dryLabel_);
    cornerLayout->addWidget(callLabel_);
    callLabel_->setParent(corner);
    menuBar_->setCornerWidget(corner, Qt::TopRightCorner);
    otherCall_ = new OtherStationCall(this);
    connect(otherCall_, &OtherStationCall::changed, this, &TransmitterWindow::showCorner);
    showCorner();

    // The client area keeps its size and content; the window grows by the bar.
    const int barHeight = menuBar_->sizeHint().height();
    menuBar_->setGeometry(0, 0, client_->width(), barHeight);
    client_->move(0, barHeight);
    setFixedSize(client_->width(), client_->height() + barHeight);
}

void TransmitterWindow::useSoundDevices(SoundDeviceList& list, SoundDeviceChooser& chooser,
                                        const std::optional<SoundDevice>& fromCommandLine)
{
    soundDevice_ = std::make_unique<SoundDeviceSetting>(SoundDirection::Output, *store_, list, chooser,
                                                        devices_.messages, kCaption);
    soundDevice_->start(fromCommandLine);
    devices_.audio.selectDevice(soundDevice_->serverName());
}

void TransmitterWindow::chooseSoundDevice()
{
    // Takes effect at the next "Turn On"; an over that runs keeps its device.
    if (soundDevice_ != nullptr && soundDevice_->choose())
        devices_.audio.selectDevice(soundDevice_->serverName());
}

void TransmitterWindow::toggleTransmission()
{
    // A chosen device that went away is named, rather than reported as a failed open.
    if (!stream_->deviceHeld() && soundDevice_ != nullptr && !soundDevice_->checkPresent())
        return;
    stream_->toggle();
}

void TransmitterWindow::showSoundRanDry(int times)
{
    dryLabel_->setText(times == 1 ? QStringLiteral("Sound ran dry once in this over")
                                  : QStringLiteral("Sound ran dry %1 times in this over").arg(times));
    dryLabel_->setToolTip(QStringLiteral("The computer did not deliver the sound in time: the other station may "
                                         "have read wrong characters. Close busy programs."));
    dryLabel_->setVisible(times > 0);
    menuBar_->setGeometry(0, 0, width(), client_->y());
}

void TransmitterWindow::initialise()
{
    // The operator's last choice; a first start opens COM1 as ever.
    const QVariant remembered = store_->value(QString::fromLatin1(kPttSetting));
    if (!pttChosenForThisRun_ && remembered.isValid())
        ptt_.select(remembered.toString().toStdString());
    ptt_.openCurrent();
    showPttDevice();
    setWindowTitle(QString::fromLatin1(kCaption));
    // The transmit chain was built in its start state: 31 baud, an empty queue,
    // nothing requested. Nothing here depends on whether the port opened.
}

void TransmitterWindow::showCentred()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(0, 0), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    show();
}

void TransmitterWindow::requestProgramEnd()
{
    programEndRequested_ = true;
    if (ended_)
        QCoreApplication::exit(0);
    else
        close();  // ends the program once the window has ended (closeEvent)
}

void TransmitterWindow::choosePttPort()
{
    ptt_.choose(*this, devices_.chooser);
    store_->setValue(QString::fromLatin1(kPttSetting), QString::fromStdString(ptt_.choiceText()));
    showPttDevice();
}

bool TransmitterWindow::choosePttForThisRun(const std::string& text)
{
    if (!ptt_.select(text))
        return false;
    pttChosenForThisRun_ = true;
    return true;
}

void TransmitterWindow::buildStationMenu(QMenu& station)
{
    // Beside the sound device: the rig and the drive level, in whole dB below full drive.
    // A rig keyed by CAT, picked from the CAT library's list rather than by number.
    rigAction_ = station.addAction(QStringLiteral("&Rig\u2026"));
    connect(rigAction_, &QAction::triggered, this, [this] { chooseRig(); });
    QMenu* levels = station.addMenu(QStringLiteral("&Drive level"));
    driveLevels_ = new QActionGroup(this);
    driveLevels_->setExclusive(true);
    for (int db = drive::kFullDb; db >= drive::kLowestDb; --db) {
        QAction* level = levels->addAction(db == 0 ? QStringLiteral("0 dB (full)")
                                                   : QString::fromUtf8("\u2212%1 dB").arg(-db));
        level->setCheckable(true);
        level->setData(db);
        driveLevels_->addAction(level);
    }
    connect(driveLevels_, &QActionGroup::triggered, this,
            [this](QAction* level) { setDriveLevel(level->data().toInt()); });
    setDriveLevel(store_->value(QString::fromLatin1(kDriveSetting), drive::kFullDb).toInt());
}

void TransmitterWindow::chooseRig()
{
    const std::vector<RigModel> models = devices_.pttLines ? devices_.pttLines->rigModels() : std::vector<RigModel>{};
    const PttPort::Choice current = PttPort::parseChoice(ptt_.choiceText());
    const bool byCat = current.way == PttPort::Choice::Way::Line && current.method.kind == PttMethod::Kind::Hamlib;
    const std::string port = byCat ? current.method.device : ptt_.deviceName();
    RigChooser chooser(models, QString::fromStdString(port), this);
    if (byCat) {
        chooser.selectModel(current.method.rigModel);
        chooser.setBaud(current.method.baud);
    }
    // As with the PTT port button: nothing starts while the rig is being chosen.
    setPttButtonEnabled(false);
    setToggleEnabled(false);
    const bool accepted = chooser.exec() == QDialog::Accepted && !chooser.pttText().isEmpty();
    setPttButtonEnabled(true);
    setToggleEnabled(true);
    if (!accepted || !ptt_.select(chooser.pttText().toStdString()))
        return;
    ptt_.openCurrent();
    store_->setValue(QString::fromLatin1(kPttSetting), QString::fromStdString(ptt_.choiceText()));
    showPttDevice();
}

void TransmitterWindow::setDriveLevel(int db)
{
    driveLevelDb_ = drive::clampDb(db);
    // From the next bit filled: the buffers already queued play at the old level.
    synthesizer_.setDriveGain(drive::gainForDb(driveLevelDb_));
    for (QAction* level : driveLevels_->actions())
        level->setChecked(level->data().toInt() == driveLevelDb_);
    if (store_->value(QString::fromLatin1(kDriveSetting), drive::kFullDb).toInt() != driveLevelDb_)
        store_->setValue(QString::fromLatin1(kDriveSetting), driveLevelDb_);
}

void TransmitterWindow::showPttDevice()
{
    const std::string name = ptt_.deviceName();
    pttButton_->setToolTip(name.empty() ? QStringLiteral("PTT: none")
                                        : QStringLiteral("PTT: ") + QString::fromStdString(name));
}

void TransmitterWindow::setToggleText(const std::string& text)
{
    toggle_->setText(QString::fromStdString(text));
}

void TransmitterWindow::setPttButtonEnabled(bool enabled)
{
    pttButton_->setEnabled(enabled);
    if (rigAction_ != nullptr)
        rigAction_->setEnabled(enabled);  // the PTT must not change while the radio is keyed
}

void TransmitterWindow::setModeOptionsEnabled(bool enabled)
{
    for (QAbstractButton* option : modes_->buttons())
        option->setEnabled(enabled);
}

void TransmitterWindow::setToggleEnabled(bool enabled)
{
    toggle_->setEnabled(enabled);
}

void TransmitterWindow::setStatusText(const std::string& text)
{
    status_->setText(QString::fromStdString(text));
}

void TransmitterWindow::endWindow()
{
    ending_ = true;
    if (!inCloseEvent_)
        close();
}

QWidget* TransmitterWindow::control(int id) const
{
    for (QWidget* child : findChildren<QWidget*>())
        if (child->property(kControlIdProperty).toInt() == id)
            return child;
    return nullptr;
}

void TransmitterWindow::closeEvent(QCloseEvent* event)
{
    // The close box, Alt+F4 and Esc all end up here. During a transmission the
    // window waits for the sound card to close; the stream then ends it.
    if (!ending_) {
        inCloseEvent_ = true;
        stream_->requestClose();
        inCloseEvent_ = false;
    }
    if (ending_) {
        ended_ = true;
        event->accept();
        // Every loop ends, nested ones too, so no box or pop-up holds the program.
        if (programEndRequested_)
            QCoreApplication::exit(0);
    } else {
        event->ignore();
    }
}

void TransmitterWindow::reject()
{
    // Esc. Quitting in the middle of an over, or with text still to go, loses it:
    // ask first (Enter quits). Idle with nothing waiting, quit at once.
    if (stream_->deviceHeld() || charactersWaiting() > 0) {
        QPointer<TransmitterWindow> self(this);
        QMessageBox question(QMessageBox::Question, QString::fromLatin1(kCaption),
                             QString::fromLatin1(kQuitQuestion).arg(charactersWaiting()),
                             QMessageBox::Yes | QMessageBox::No, this);
        question.setDefaultButton(QMessageBox::Yes);
        question.setEscapeButton(QMessageBox::No);
        const int answer = question.exec();
        if (!self || ended_ || answer != QMessageBox::Yes)
            return;
    }
    close();
}

void TransmitterWindow::keyPressEvent(QKeyEvent* event)
{
    // Enter presses the button that has the focus and nothing else: the window has
    // no default button that a stray Enter on a speed option could start.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && !qobject_cast<QPushButton*>(focusWidget())) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TransmitterWindow::focusNextPrevChild(bool next)
{
    // Tab stops at every control of the creation order that is a tab stop, as a
    // dialog does. Qt's own chain would keep only one option of an exclusive group
    // (the focused one), so it is not asked.
    const qsizetype at = tabOrder_.indexOf(focusWidget());
    if (at < 0)
        return QDialog::focusNextPrevChild(next);
    // "31 baud" starts the group and is reached with the arrow keys.
    return dialogkeys::FocusNextStop(tabOrder_, at, next,
                                     [this](const QWidget* w) { return w != modes_->buttons().front(); });
}

bool TransmitterWindow::eventFilter(QObject* watched, QEvent* event)
{
    // The arrow keys move the check within the speed options.
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier &&
            dialogkeys::MoveCheck(modes_->buttons(), watched, dialogkeys::ArrowStep(key->key())))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TransmitterWindow::setMyCallOverride(const QString& call)
{
    myCallOverride_ = call;
}

QString TransmitterWindow::myCall() const
{
    return myCallOverride_.isEmpty() ? myCall_ : myCallOverride_;
}

QString TransmitterWindow::shownCall() const
{
    return callLabel_->text();
}

void TransmitterWindow::showCorner()
{
    QStringList parts;
    if (!otherCall_->call().isEmpty())
        parts << QString::fromLatin1(kCallCornerText).arg(otherCall_->call());
    if (progress_->endArmed())
        parts << QString::fromLatin1(kEndingCornerText);
    callLabel_->setText(parts.join(QString::fromLatin1(kCornerSeparator)));
}

void TransmitterWindow::endArmedChanged()
{
    showCorner();
}

void TransmitterWindow::turnOn()
{
    // As the button, while it reads "Turn On" and can be pressed.
    if (!stream_->deviceHeld() && toggle_->isEnabled())
        toggle_->click();
}

void TransmitterWindow::endOver()
{
    // Pressed before Turn On, the over ends once the text waiting has gone; with
    // nothing waiting there is no over to end, and a later Turn On must not stop
    // by itself.
    if (!stream_->deviceHeld() && charactersWaiting() == 0)
        return;
    progress_->endOver();
}

void TransmitterWindow::clearForNewOver()
{
    // What went out stays out; what the queue already holds still goes; the rest
    // of the old text is dropped, and nothing is sent for the clearing itself.
    clearing_ = true;
    entry_->clear();
    clearing_ = false;
    queue_->startNewText();
    progress_->startNewText();
    showOnAir();
}

void TransmitterWindow::sendMacro(int index)
{
    if (index < 0 || index >= MacroSet::kCount)
        return;
    const ExpandedMacro macro = ExpandMacro(macros_.text(index), {myCall(), otherCall_->call(), clock_()});
    if (!macro.missing.isEmpty()) {
        devices_.messages.showMessage(kCaption,
                                      QString::fromLatin1(kMissingCallsText)
                                          .arg(macro.missing.join(QStringLiteral(" and ")))
                                          .toStdString(),
                                      MessageIcon::Exclamation);
        return;
    }
    QTextCursor end(entry_->document());
    end.movePosition(QTextCursor::End);
    end.insertText(macro.text);
    entry_->setTextCursor(end);
    entry_->ensureCursorVisible();
    if (macro.endsOver)
        progress_->endOver();  // after the insertion, which would cancel it
}

void TransmitterWindow::editMacros()
{
    MacroDialog dialog(macros_, myCall_, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    macros_ = dialog.macros();
    myCall_ = dialog.myCall();
    QSettings settings(QString::fromLatin1(kSettingsOrganisation), QString::fromLatin1(kSettingsApplication));
    macros_.save(settings);
    settings.setValue(QString::fromLatin1(MacroSet::kMyCallKey), myCall_);
}

void TransmitterWindow::entryChanged(int position, int removed, int added)
{
    if (clearing_ || (removed == 0 && added == 0))
        return;
    // Nothing from the change on is what the other screen shows, and typing
    // more keeps the over going.
    progress_->textChangedAt(entryText_->bytesBefore(position));
    progress_->cancelEnd();
    showOnAir();
}

void TransmitterWindow::onAirChanged()
{
    showOnAir();
}

void TransmitterWindow::overEnded()
{
    if (stream_->deviceHeld() && !stream_->stopRequested())
        stream_->toggle();
}

QColor TransmitterWindow::onAirColour()
{
    return QColor::fromRgb(kOnAirColour);
}

int TransmitterWindow::charactersWaiting() const
{
    const int characters = entry_->document()->characterCount() - 1;  // without the closing separator
    return std::max(characters - charactersOnAir_, 0);
}

void TransmitterWindow::showOnAir()
{
    // Coloured as an extra selection: the document itself, its undo history and
    // what the queue reads stay as the operator typed them.
    // Rebuilt every time: a mark's cursor would grow over text typed at its end.
    const int onAir = entryText_->positionOfByte(progress_->onAirBytes());
    charactersOnAir_ = onAir;
    QList<QTextEdit::ExtraSelection> marks;
    if (onAir > 0) {
        QTextEdit::ExtraSelection sent;
        sent.cursor = QTextCursor(entry_->document());
        sent.cursor.setPosition(onAir, QTextCursor::KeepAnchor);
        sent.format.setForeground(onAirColour());
        marks.push_back(sent);
    }
    entry_->setExtraSelections(marks);
}
