#include "transmitter/TransmitterWindow.h"

#include "modem/transmit/DriveLevel.h"
#include "platform/DialogKeys.h"
#include "platform/VolumeControl.h"
#include "transmitter/DialogUnits.h"
#include "transmitter/EntryTextSource.h"
#include "transmitter/RigChooser.h"
#include "transmitter/TransmitterMenuBar.h"
#include "transmitter/TxAudioStream.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QActionGroup>
#include <QLabel>
#include <QMenu>
#include <QSettings>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>


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
    buildStationMenu();
    entryText_ = std::make_unique<EntryTextSource>(*entry_->document());
    queue_ = std::make_unique<TxBitQueue>(*entryText_, *this);
    stream_ = std::make_unique<TxAudioStream>(devices_.audio, *queue_, synthesizer_, ptt_, *this, devices_.messages);

    // 31 baud at start, as the synthesiser starts.
    modes_->button(kTxModes.front().optionId)->setChecked(true);
}

TransmitterWindow::~TransmitterWindow() = default;

void TransmitterWindow::buildControls()
{
    setFont(dialogFont());
    const DialogUnits units = DialogUnits::forFont(dialogFont());
    setFixedSize(units.x(kWindowWidth), units.y(kWindowHeight));

    const auto place = [&](QWidget* widget, int id, const Placement& at) {
        widget->setGeometry(units.rect(at.x, at.y, at.width, at.height));
        widget->setProperty(kControlIdProperty, id);
    };

    // In creation order, which is the tab order.
    toggle_ = new QPushButton(QString::fromLatin1(TxAudioStream::kTurnOnText), this);
    place(toggle_, kToggleId, kTogglePlace);
    pttButton_ = new QPushButton(QString::fromLatin1(kPttPortText), this);
    place(pttButton_, kPttPortId, kPttPortPlace);
    outputButton_ = new QPushButton(QString::fromLatin1(kOutputText), this);
    place(outputButton_, kOutputId, kOutputPlace);

    modes_ = new QButtonGroup(this);
    modes_->setExclusive(true);
    int column = 0;
    QWidget* previous = outputButton_;
    setTabOrder(toggle_, pttButton_);
    setTabOrder(pttButton_, outputButton_);
    for (const TxMode& mode : kTxModes) {
        auto* option = new QRadioButton(QString::fromLatin1(mode.label), this);
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

    status_ = new QLabel(QString::fromLatin1(kStatusStartText), this);
    place(status_, kStatusId, kStatusPlace);
    status_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    entry_ = new QPlainTextEdit(this);
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

    connect(toggle_, &QPushButton::clicked, this, [this] { stream_->toggle(); });
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

void TransmitterWindow::buildStationMenu()
{
    // Beside the window's own controls: the drive level, in whole dB below full drive.
    QMenu* station = addTransmitterMenu(*this, QStringLiteral("&Station"));
    // A rig keyed by CAT, picked from the CAT library's list rather than by number.
    rigAction_ = station->addAction(QStringLiteral("&Rig\u2026"));
    connect(rigAction_, &QAction::triggered, this, [this] { chooseRig(); });
    QMenu* levels = station->addMenu(QStringLiteral("&Drive level"));
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
