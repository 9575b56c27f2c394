// SPDX-License-Identifier: GPL-3.0-or-later
#include "receiver/ReceiverWindow.h"

#include "modem/dsp/WaterfallSpectrum.h"
#include "modem/receive/ReceiveDemodulator.h"
#include "modem/receive/standard/MskDemodulator.h"
#include "modem/varicode/VaricodeDecoder.h"
#include "platform/DialogKeys.h"
#include "platform/OtherStationCall.h"
#include "platform/SoundDeviceSetting.h"
#include "receiver/ReceivedTextEdit.h"
#include "receiver/ScopeWidget.h"
#include "receiver/SignalDisplay.h"
#include "receiver/UpDown.h"
#include "receiver/WaterfallWindow.h"

#include <QAction>
#include <QActionGroup>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFont>
#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kFontPoints = 8;
// The classic dialog face first; where it is missing, faces of about its width,
// so the captions fit their controls.
const char* const kFontFamilies[] = {"MS Sans Serif", "Microsoft Sans Serif", "Tahoma", "Arial",
                                     "Liberation Sans", "Nimbus Sans", "Helvetica"};

const char* const kCentreCaption = "Centre frequency (Hz)";
const char* const kRateCaption = "Samplerate adjust";
const char* const kStartText = "Start";
const char* const kStopText = "Stop";
const char* const kMixerText = "Mixer";
const char* const kSlowSyncText = "Slow sync";
const char* const kFastSyncText = "Fast sync";

const char* const kReceiveMenuText = "Receive";
const char* const kStandardText = "Standard demodulator";
const char* const kEnhancedText = "Enhanced demodulator";
const char* const kSquelchText = "Squelch";
const char* const kReverseText = "Reverse";
const char* const kViewMenuText = "View";
const char* const kWaterfallText = "Waterfall";
const char* const kStationMenuText = "Station";
const char* const kSoundDeviceText = "Sound device...";
const char* const kLevelToolTip =
    "Peak input level, in dB below the sound card's full scale. Red from -1 dBFS: the signal is clipped; "
    "lower the radio's audio output or the capture level (Mixer).";
constexpr int kLevelReadoutGapPx = 10;  // between the level and the AFC readouts

// Keys and values of the remembered menu choices.
const char* const kDemodulatorKey = "receive/demodulator";
const char* const kStandardValue = "standard";
const char* const kEnhancedValue = "enhanced";
const char* const kSquelchKey = "receive/squelch";
const char* const kReverseKey = "receive/reverse";
const char* const kWaterfallKey = "view/waterfall";
const char* const kTextPointsKey = "view/textPoints";
const char* const kTimestampsKey = "text/timestamps";
const char* const kLogKey = "text/log";
const char* const kGeometryKey = "window/geometry";
const char* const kWaterfallGeometryKey = "waterfall/geometry";

const char* const kLargerText = "Larger text";
const char* const kSmallerText = "Smaller text";
const char* const kTextMenuText = "Text";
const char* const kSaveText = "Save received text...";
const char* const kClearText = "Clear";
const char* const kTimestampsText = "Timestamps";
const char* const kLogText = "Log to file";
const char* const kLogFolderName = "msk-receiver";  // in the user's data folder
const char* const kAfcNoStation = "AFC -";
// The readout is never narrower than the wider of these (the search reaches +-50 Hz).
const char* const kAfcWidest[] = {"AFC +88.8 Hz", "AFC -88.8 Hz"};

constexpr Real kTicksPerBit = 16.0;
constexpr Real kToneSpacingBits = 0.25;  // each tone sits a quarter of the bit rate off centre
constexpr double kAfcShownResolutionHz = 0.05;  // below this the readout shows +0.0
constexpr int kAfcReadoutMarginPx = 6;          // right of the readout's text
constexpr int kWaterfallGapPx = 8;              // between the receiver and the waterfall it opens beside

constexpr int kOptionTextGap = 3;  // pixels between an option's indicator and its text
// Where a fallback face is wider than the classic one, the options' text shrinks
// by this step, down to the smallest size, until every option fits its cell.
constexpr double kOptionFontStepPoints = 0.5;
constexpr double kOptionFontMinPoints = 6.0;
constexpr int kSignificantDigits = 15;  // of a value label

struct Place {
    int x, y, w, h;
};

// Pixels of the client area.
constexpr Place kDisplayPlace{10, 5, 128, 85};
constexpr Place kStartPlace{5, 100, 40, 25};
constexpr Place kTogglePlace{50, 100, 40, 25};
constexpr Place kMixerPlace{95, 100, 50, 25};
constexpr int kSpeedX = 145, kSpeedTop = 10, kSpeedPitch = 15, kOptionW = 65, kOptionH = 15;
constexpr Place kSlowSyncPlace{155, 105, kOptionW, kOptionH};
constexpr Place kFastSyncPlace{240, 105, kOptionW, kOptionH};
constexpr Place kTextPanePlace{5, 135, 400, 140};
// The pane grows with the window; these margins to the client area's right and
// bottom stay as they are at its first size.
constexpr int kTextPaneRightMargin = ReceiverWindow::kClientWidth - (kTextPanePlace.x + kTextPanePlace.w);
constexpr int kTextPaneBottomMargin = ReceiverWindow::kClientHeight - (kTextPanePlace.y + kTextPanePlace.h);
constexpr Place kCentreLabelPlace{230, 15, 60, 25};
constexpr Place kCentreCaptionPlace{300, 15, 160, 32};
constexpr Place kRateLabelPlace{230, 67, 60, 25};
constexpr Place kRateCaptionPlace{300, 67, 160, 32};

void PlaceControl(QWidget* w, const Place& p, int id)
{
    w->setGeometry(p.x, p.y, p.w, p.h);
    w->setProperty(ReceiverWindow::kControlIdProperty, id);
}

QLabel* MakeValueLabel(QWidget* parent, const QString& text, const Place& p, int id)
{
    auto* label = new QLabel(text, parent);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setLineWidth(1);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    PlaceControl(label, p, id);
    return label;
}

QLabel* MakeCaption(QWidget* parent, const char* text, const Place& p)
{
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
    PlaceControl(label, p, ReceiverWindow::kCaptionId);
    return label;
}

QString ValueText(Real value)
{
    return QString::number(value, 'g', kSignificantDigits);
}

}  // namespace

ReceiverWindow::ReceiverWindow(AudioInputDevice& device, OperatorMessages& messages, VolumeControl& volume,
                               QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      volume_(volume), messages_(messages), capture_(device, *this, messages, *this),
      store_(std::make_unique<QSettings>(QString::fromUtf8(kSettingsOrganisation),
                                         QString::fromUtf8(kSettingsApplication))),
      device_(device)
{
    setWindowTitle(QString::fromUtf8(kTitle));
    QStringList families;
    for (const char* family : kFontFamilies)
        families << QString::fromUtf8(family);
    QFont dialogFont;
    dialogFont.setFamilies(families);
    dialogFont.setPointSize(kFontPoints);
    setFont(dialogFont);
    // Options sit in 65-pixel cells: keep the gap after the indicator small.
    setStyleSheet(QStringLiteral("QRadioButton { spacing: %1px; }").arg(kOptionTextGap));
    CreateMenus();
    CreateControls();
    InitialiseReceiveChain();
    LoadMenuChoices();
    // The client area keeps its size below the bar: the window grows by the bar.
    const int barHeight = menuBar_->sizeHint().height();
    menuBar_->setGeometry(0, 0, kClientWidth, barHeight);
    client_->setGeometry(0, barHeight, kClientWidth, kClientHeight);
    resize(kClientWidth, kClientHeight + barHeight);
    // Larger, the pane grows; never smaller than the controls need.
    setMinimumSize(kClientWidth, kClientHeight + barHeight);
    LoadTextChoices();
    if (!restoreGeometry(store_->value(QString::fromUtf8(kGeometryKey)).toByteArray()))
        CentreOnScreen();

    afcTimer_ = new QTimer(this);
    connect(afcTimer_, &QTimer::timeout, this, &ReceiverWindow::RefreshAfc);
    connect(afcTimer_, &QTimer::timeout, this, &ReceiverWindow::ReportLogFailure);
    connect(afcTimer_, &QTimer::timeout, this, &ReceiverWindow::RefreshLevel);
    afcTimer_->start(kAfcRefreshMs);
    RefreshAfc();
}

ReceiverWindow::~ReceiverWindow()
{
    // The device goes before the chain that its buffers feed.
    capture_.CloseCapture();
}

void ReceiverWindow::CreateMenus()
{
    menuBar_ = new QMenuBar(this);
    QMenu* receive = menuBar_->addMenu(QString::fromUtf8(kReceiveMenuText));
    auto* chains = new QActionGroup(this);
    chains->setExclusive(true);
    standardAction_ = receive->addAction(QString::fromUtf8(kStandardText));
    enhancedAction_ = receive->addAction(QString::fromUtf8(kEnhancedText));
    for (QAction* a : {standardAction_, enhancedAction_}) {
        a->setCheckable(true);
        chains->addAction(a);
    }
    standardAction_->setChecked(true);
    connect(standardAction_, &QAction::triggered, this, [this] { ChooseDemodulator(DemodulatorChoice::Standard); });
    connect(enhancedAction_, &QAction::triggered, this, [this] { ChooseDemodulator(DemodulatorChoice::Enhanced); });
    receive->addSeparator();
    squelchAction_ = receive->addAction(QString::fromUtf8(kSquelchText));
    reverseAction_ = receive->addAction(QString::fromUtf8(kReverseText));
    squelchAction_->setCheckable(true);
    reverseAction_->setCheckable(true);
    connect(squelchAction_, &QAction::triggered, this, &ReceiverWindow::SetSquelch);
    connect(reverseAction_, &QAction::triggered, this, &ReceiverWindow::SetReverse);

    QMenu* view = menuBar_->addMenu(QString::fromUtf8(kViewMenuText));
    waterfallAction_ = view->addAction(QString::fromUtf8(kWaterfallText));
    waterfallAction_->setCheckable(true);
    connect(waterfallAction_, &QAction::triggered, this, [this](bool on) {
        store_->setValue(QString::fromUtf8(kWaterfallKey), on);
        ShowWaterfall(on);
    });

    CreateTextMenu(view);
    CreateStationMenu();

    // As wide as its widest text, so the bar never clips it as the value changes.
    afcLabel_ = new QLabel(menuBar_);
    afcLabel_->setContentsMargins(0, 0, kAfcReadoutMarginPx, 0);
    afcLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    int widest = 0;
    for (const char* text : kAfcWidest)
        widest = std::max(widest, afcLabel_->fontMetrics().horizontalAdvance(QString::fromUtf8(text)));
    afcLabel_->setMinimumWidth(widest + kAfcReadoutMarginPx);
    menuBar_->setCornerWidget(afcLabel_, Qt::TopRightCorner);
    afcLabel_->hide();
    // The input level stands left of the AFC readout (at the bar's right end while
    // that is hidden), and follows it wherever the bar lays it out.
    levelLabel_ = new QLabel(menuBar_);
    levelLabel_->setToolTip(QString::fromUtf8(kLevelToolTip));
    levelLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    levelLabel_->hide();
    afcLabel_->installEventFilter(this);
    menuBar_->installEventFilter(this);

    client_ = new QWidget(this);
}

void ReceiverWindow::CreateStationMenu()
{
    QMenu* station = menuBar_->addMenu(QString::fromUtf8(kStationMenuText));
    soundDeviceAction_ = station->addAction(QString::fromUtf8(kSoundDeviceText));
    connect(soundDeviceAction_, &QAction::triggered, this, &ReceiverWindow::ChooseSoundDevice);
}

void ReceiverWindow::UseSoundDevices(SoundDeviceList& list, SoundDeviceChooser& chooser,
                                     const std::optional<SoundDevice>& fromCommandLine)
{
    soundDevice_ = std::make_unique<SoundDeviceSetting>(SoundDirection::Input, *store_, list, chooser, messages_,
                                                        kTitle);
    soundDevice_->start(fromCommandLine);
    device_.selectDevice(soundDevice_->serverName());
}

void ReceiverWindow::ChooseSoundDevice()
{
    if (soundDevice_ == nullptr || !soundDevice_->choose())
        return;
    device_.selectDevice(soundDevice_->serverName());
    // While recording, the new device takes over at once: the capture is released
    // and started again on it; the chain and the pane go on as they are.
    if (capture_.deviceOpen()) {
        const bool paused = capture_.running() == 0;
        capture_.CloseCapture();
        EnableStartButton();
        StartRecording();
        if (paused && capture_.deviceOpen())
            capture_.ToggleCapture();
    }
}

void ReceiverWindow::StartRecording()
{
    // A chosen device that went away is named, rather than "No suitable device".
    if (soundDevice_ != nullptr && !soundDevice_->checkPresent())
        return;
    capture_.StartCapture();
}

void ReceiverWindow::RefreshLevel()
{
    const bool running = capture_.deviceOpen() && capture_.running() == 1;
    const double dbfs = level_.takePeakDbfs();
    if (running) {
        const bool clipping = InputPeakMeter::isClipping(dbfs);
        levelLabel_->setText(dbfs <= InputPeakMeter::kSilenceDbfs ? QStringLiteral("In -\u221E dBFS")
                                                                   : QString::asprintf("In %.0f dBFS", dbfs));
        levelLabel_->setStyleSheet(clipping ? QStringLiteral("color: #d00000; font-weight: bold") : QString());
    }
    levelLabel_->setVisible(running);
    PlaceLevelReadout();
}

void ReceiverWindow::PlaceLevelReadout()
{
    const int right = afcLabel_->isVisibleTo(menuBar_) ? afcLabel_->geometry().left() - kLevelReadoutGapPx
                                                       : menuBar_->width() - kAfcReadoutMarginPx;
    const int textWidth = levelLabel_->sizeHint().width();
    levelLabel_->setGeometry(right - textWidth, 0, textWidth, menuBar_->height());
}

void ReceiverWindow::CreateControls()
{
    QWidget* const area = client_;
    scope_ = new ScopeWidget(area);
    PlaceControl(scope_, kDisplayPlace, kDisplayId);

    startButton_ = new QPushButton(QString::fromUtf8(kStartText), area);
    PlaceControl(startButton_, kStartPlace, kStartId);
    toggleButton_ = new QPushButton(QString::fromUtf8(kStopText), area);
    PlaceControl(toggleButton_, kTogglePlace, kToggleId);
    mixerButton_ = new QPushButton(QString::fromUtf8(kMixerText), area);
    PlaceControl(mixerButton_, kMixerPlace, kMixerId);
    for (QPushButton* b : {startButton_, toggleButton_, mixerButton_}) {
        b->setAutoDefault(false);
        b->setFocusPolicy(Qt::StrongFocus);
    }
    connect(startButton_, &QPushButton::clicked, this, &ReceiverWindow::StartRecording);
    connect(toggleButton_, &QPushButton::clicked, this, [this] {
        capture_.ToggleCapture();
        RefreshAfc();
    });
    connect(mixerButton_, &QPushButton::clicked, this, &ReceiverWindow::OpenMixer);

    speedGroup_ = new QButtonGroup(this);
    int row = 0;
    for (const RxMode& mode : kRxModes) {
        auto* option = new QRadioButton(QString::fromUtf8(mode.label), area);
        option->setAutoExclusive(false);
        PlaceControl(option, {kSpeedX, kSpeedTop + row * kSpeedPitch, kOptionW, kOptionH}, mode.optionId);
        speedGroup_->addButton(option, mode.optionId);
        ++row;
    }
    speedGroup_->button(kRxModes[0].optionId)->setChecked(true);
    // Any click applies the option's value again, checked before or not.
    connect(speedGroup_, &QButtonGroup::idClicked, this, &ReceiverWindow::SelectSpeed);

    syncGroup_ = new QButtonGroup(this);
    auto* slow = new QRadioButton(QString::fromUtf8(kSlowSyncText), area);
    PlaceControl(slow, kSlowSyncPlace, kSlowSyncId);
    auto* fast = new QRadioButton(QString::fromUtf8(kFastSyncText), area);
    PlaceControl(fast, kFastSyncPlace, kFastSyncId);
    for (QRadioButton* option : {slow, fast}) {
        option->setAutoExclusive(false);
        syncGroup_->addButton(option, option->property(kControlIdProperty).toInt());
    }
    fast->setChecked(true);
    connect(syncGroup_, &QButtonGroup::idClicked, this, &ReceiverWindow::SelectSync);

    textPane_ = new ReceivedTextEdit(area);
    // A double-clicked word becomes the other station's call, for the transmitter.
    otherCall_ = new OtherStationCall(this);
    connect(textPane_, &ReceivedTextEdit::wordDoubleClicked, otherCall_, &OtherStationCall::set);
    PlaceControl(textPane_, kTextPanePlace, kTextPaneId);

    centreLabel_ = MakeValueLabel(area, ValueText(settings_.centreFrequency), kCentreLabelPlace, kCentreLabelId);
    centreUpDown_ = new UpDown(area);
    centreUpDown_->setProperty(kControlIdProperty, kCentreUpDownId);
    centreUpDown_->setBuddy(centreLabel_);
    connect(centreUpDown_, &UpDown::deltaPos, this, &ReceiverWindow::StepCentreFrequency);
    MakeCaption(area, kCentreCaption, kCentreCaptionPlace);

    rateLabel_ = MakeValueLabel(area, QString::number(settings_.sampleRate), kRateLabelPlace, kRateLabelId);
    rateUpDown_ = new UpDown(area);
    rateUpDown_->setProperty(kControlIdProperty, kRateUpDownId);
    rateUpDown_->setBuddy(rateLabel_);
    connect(rateUpDown_, &UpDown::deltaPos, this, &ReceiverWindow::StepSampleRate);
    MakeCaption(area, kRateCaption, kRateCaptionPlace);

    FitOptionTexts();

    // The arrow keys move the check within a group (see focusNextPrevChild for Tab).
    for (QAbstractButton* option : speedGroup_->buttons() + syncGroup_->buttons())
        option->installEventFilter(this);

    // Tab order is creation order, through the controls that take the focus.
    QWidget* previous = nullptr;
    for (QWidget* w : area->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!(w->focusPolicy() & Qt::TabFocus))
            continue;
        if (previous)
            setTabOrder(previous, w);
        previous = w;
    }
}

void ReceiverWindow::FitOptionTexts()
{
    const QList<QAbstractButton*> options = speedGroup_->buttons() + syncGroup_->buttons();
    const auto allFit = [&options] {
        return std::all_of(options.begin(), options.end(),
                           [](const QAbstractButton* o) { return o->sizeHint().width() <= o->width(); });
    };
    QFont optionFont = font();
    for (double points = optionFont.pointSizeF() - kOptionFontStepPoints; !allFit() && points >= kOptionFontMinPoints;
         points -= kOptionFontStepPoints) {
        optionFont.setPointSizeF(points);
        for (QAbstractButton* o : options)
            o->setFont(optionFont);
    }
}

void ReceiverWindow::InitialiseReceiveChain()
{
    // The settings' own defaults match the options checked at start ("31 baud",
    // "Fast sync") and the labels' first texts ("1000", "8000").
    settings_ = ReceiverSettings{};
    // Every decoded character reaches the pane and the log alike.
    log_.setFolder(std::filesystem::path(defaultLogFolder().toStdU16String()));
    loggedPane_ = std::make_unique<LoggedTextPane>(*textPane_, log_);
    decoder_ = std::make_unique<VaricodeDecoder>(*loggedPane_);
    display_ = std::make_unique<SignalDisplay>(scope_);
    demodulator_ = std::make_unique<ReceiveDemodulator>(settings_, *decoder_, display_.get());
    waterfall_ = new WaterfallWindow(this);
    spectrum_ = std::make_unique<WaterfallSpectrum>(*waterfall_);
    connect(waterfall_, &WaterfallWindow::frequencyClicked, this, &ReceiverWindow::TuneToClick);
    connect(waterfall_, &WaterfallWindow::closedByOperator, this, [this] {
        waterfallFed_ = false;
        if (closing_)
            return;
        store_->setValue(QString::fromUtf8(kWaterfallGeometryKey), waterfall_->saveGeometry());
        waterfallAction_->setChecked(false);
        store_->setValue(QString::fromUtf8(kWaterfallKey), false);
    });
}

void ReceiverWindow::LoadMenuChoices()
{
    // A first start finds nothing stored: the standard chain, squelch and reverse off.
    const bool enhanced = store_->value(QString::fromUtf8(kDemodulatorKey)).toString() ==
                          QString::fromUtf8(kEnhancedValue);
    settings_.demodulator = enhanced ? DemodulatorChoice::Enhanced : DemodulatorChoice::Standard;
    (enhanced ? enhancedAction_ : standardAction_)->setChecked(true);
    settings_.squelch = store_->value(QString::fromUtf8(kSquelchKey), false).toBool();
    squelchAction_->setChecked(settings_.squelch);
    settings_.reverse = store_->value(QString::fromUtf8(kReverseKey), false).toBool();
    reverseAction_->setChecked(settings_.reverse);
    waterfallAction_->setChecked(store_->value(QString::fromUtf8(kWaterfallKey), false).toBool());
    UpdateWaterfallMarks();
}

const MskDemodulator& ReceiverWindow::demodulator() const
{
    return demodulator_->standard();
}

void ReceiverWindow::ChooseDemodulator(DemodulatorChoice choice)
{
    settings_.demodulator = choice;
    store_->setValue(QString::fromUtf8(kDemodulatorKey),
                     QString::fromUtf8(choice == DemodulatorChoice::Enhanced ? kEnhancedValue : kStandardValue));
    RefreshAfc();
}

void ReceiverWindow::SetSquelch(bool on)
{
    settings_.squelch = on;
    store_->setValue(QString::fromUtf8(kSquelchKey), on);
}

void ReceiverWindow::SetReverse(bool on)
{
    settings_.reverse = on;
    store_->setValue(QString::fromUtf8(kReverseKey), on);
}

void ReceiverWindow::ShowWaterfall(bool shown)
{
    waterfallFed_ = shown;
    if (shown) {
        waterfall_->setSampleRate(settings_.sampleRate);
        UpdateWaterfallMarks();
        PlaceWaterfall();
        waterfall_->show();
        waterfall_->raise();
    } else {
        waterfall_->hide();
    }
}

void ReceiverWindow::TuneTo(double hz)
{
    settings_.centreFrequency = std::clamp<Real>(std::round(hz), kMinCentreFrequencyHz, kMaxCentreFrequencyHz);
    centreLabel_->setText(ValueText(settings_.centreFrequency));
    UpdateWaterfallMarks();
}

std::optional<double> ReceiverWindow::heldStationHz() const
{
    if (!capture_.deviceOpen() || capture_.running() != 1 || !demodulator_->squelchOpen() ||
        demodulator_->enhanced().lineToFloor() <= 0)
        return std::nullopt;
    return settings_.centreFrequency + demodulator_->afcOffsetHz();
}

void ReceiverWindow::TuneToClick(double hz)
{
    // The station's two tones sit a quarter of the bit rate either side of its
    // centre: a click within half the bit rate is a click on the station.
    const double reach = settings_.tickRate / kTicksPerBit / 2.0;
    const std::optional<double> station = heldStationHz();
    if (!station || std::abs(hz - *station) > reach) {
        TuneTo(hz);
        return;
    }
    // Held in the setting to 0.1 Hz, and shown so in the label ("1003.7").
    const double snapped = std::round(*station / kSnapResolutionHz) * kSnapResolutionHz;
    settings_.centreFrequency = std::clamp<Real>(snapped, kMinCentreFrequencyHz, kMaxCentreFrequencyHz);
    centreLabel_->setText(ValueText(settings_.centreFrequency));
    UpdateWaterfallMarks();
}

void ReceiverWindow::RefreshAfc()
{
    const bool running = settings_.demodulator == DemodulatorChoice::Enhanced && capture_.deviceOpen() &&
                         capture_.running() == 1;
    if (running && !heldStationHz()) {
        afcLabel_->setText(QString::fromUtf8(kAfcNoStation));
    } else if (running) {
        double offset = demodulator_->afcOffsetHz();
        if (std::abs(offset) < kAfcShownResolutionHz)
            offset = 0.0;
        afcLabel_->setText(QString::asprintf("AFC %+.1f Hz", offset));
    }
    if (afcLabel_->isVisibleTo(menuBar_) != running) {
        afcLabel_->setVisible(running);
        menuBar_->setGeometry(0, 0, width(), client_->y());
    }
    UpdateWaterfallMarks();
}

void ReceiverWindow::UpdateWaterfallMarks()
{
    if (waterfall_ == nullptr)
        return;
    WaterfallMarks marks;
    marks.centreHz = settings_.centreFrequency;
    marks.halfWidthHz = settings_.tickRate / kTicksPerBit * kToneSpacingBits;
    marks.afcShown = afcLabel_->isVisibleTo(menuBar_);
    marks.afcHz = settings_.centreFrequency + demodulator_->afcOffsetHz();
    waterfall_->setMarks(marks);
}

void ReceiverWindow::CentreOnScreen()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
}

QWidget* ReceiverWindow::control(int id) const
{
    for (QWidget* w : client_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const QVariant v = w->property(kControlIdProperty);
        if (v.isValid() && v.toInt() == id)
            return w;
    }
    return nullptr;
}

void ReceiverWindow::StepCentreFrequency(int step)
{
    // Whole hertz from a tuned 0.1 Hz, without a rounding error creeping in.
    const Real next = std::round((settings_.centreFrequency - step) / kSnapResolutionHz) * kSnapResolutionHz;
    if (next >= kMinCentreFrequencyHz && next <= kMaxCentreFrequencyHz)
        settings_.centreFrequency = next;
    centreLabel_->setText(ValueText(settings_.centreFrequency));
    UpdateWaterfallMarks();
}

void ReceiverWindow::StepSampleRate(int step)
{
    const std::int64_t next = static_cast<std::int64_t>(settings_.sampleRate) - step;
    if (next >= kMinSampleRate && next <= kMaxSampleRate)
        settings_.sampleRate = static_cast<std::int32_t>(next);
    rateLabel_->setText(QString::number(settings_.sampleRate));
    waterfall_->setSampleRate(settings_.sampleRate);
}

void ReceiverWindow::SelectSpeed(int optionId)
{
    for (const RxMode& mode : kRxModes)
        if (mode.optionId == optionId)
            settings_.tickRate = mode.tickRate;
    UpdateWaterfallMarks();
}

void ReceiverWindow::SelectSync(int optionId)
{
    settings_.timingGain = optionId == kSlowSyncId ? kSlowSyncGain : kFastSyncGain;
}

void ReceiverWindow::OpenMixer()
{
    volume_.start(VolumeView::Recording);
}

void ReceiverWindow::DisableStartButton()
{
    startButton_->setEnabled(false);
    RefreshAfc();
}

void ReceiverWindow::EnableStartButton()
{
    startButton_->setEnabled(true);
    RefreshAfc();
}

void ReceiverWindow::SetToggleCaption(const char* caption)
{
    toggleButton_->setText(QString::fromUtf8(caption));
}

void ReceiverWindow::CloseWindow()
{
    close();
}

void ReceiverWindow::DemodulateSample(std::int16_t x)
{
    level_.addSample(x);
    demodulator_->DemodulateSample(x);
    if (const bool open = demodulator_->squelchOpen(); open != squelchOpen_) {
        squelchOpen_ = open;
        if (overStart_ && overStart_->SquelchIs(open, clock_->now()))
            BeginOver();
    }
    if (waterfallFed_)
        spectrum_->AddSample(x);
}

void ReceiverWindow::closeEvent(QCloseEvent* event)
{
    // The recording device goes first, so no buffer reaches the chain once the
    // display has let go of its picture.
    capture_.CloseCapture();
    scope_->ReleaseDisplay();
    // The waterfall goes with the program; it opens again at the next start if it
    // was open now.
    closing_ = true;
    afcTimer_->stop();
    waterfallFed_ = false;
    store_->setValue(QString::fromUtf8(kGeometryKey), saveGeometry());
    if (waterfallPlaced_)
        store_->setValue(QString::fromUtf8(kWaterfallGeometryKey), waterfall_->saveGeometry());
    waterfall_->hide();
    event->accept();
}

void ReceiverWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (firstShow_) {
        firstShow_ = false;
        // The program starts: the log and the pane mark it.
        overStart_.emplace(clock_->now());
        BeginOver();
        if (waterfallAction_->isChecked())
            ShowWaterfall(true);
    }
}

void ReceiverWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    menuBar_->setGeometry(0, 0, width(), client_->y());
    LayOutClient();
}

void ReceiverWindow::LayOutClient()
{
    // The controls keep their places at the top left; the pane takes what is left.
    const int barHeight = client_->y();
    client_->setGeometry(0, barHeight, std::max(width(), kClientWidth), std::max(height() - barHeight, kClientHeight));
    textPane_->setGeometry(kTextPanePlace.x, kTextPanePlace.y,
                           client_->width() - kTextPanePlace.x - kTextPaneRightMargin,
                           client_->height() - kTextPanePlace.y - kTextPaneBottomMargin);
}

void ReceiverWindow::CreateTextMenu(QMenu* view)
{
    view->addSeparator();
    largerTextAction_ = view->addAction(QString::fromUtf8(kLargerText));
    largerTextAction_->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    smallerTextAction_ = view->addAction(QString::fromUtf8(kSmallerText));
    smallerTextAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus));
    connect(largerTextAction_, &QAction::triggered, this, [this] { SetTextPoints(textPane_->font().pointSizeF() + 1); });
    connect(smallerTextAction_, &QAction::triggered, this, [this] { SetTextPoints(textPane_->font().pointSizeF() - 1); });

    QMenu* text = menuBar_->addMenu(QString::fromUtf8(kTextMenuText));
    saveTextAction_ = text->addAction(QString::fromUtf8(kSaveText));
    connect(saveTextAction_, &QAction::triggered, this, [this] {
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        const QString path = QFileDialog::getSaveFileName(this, QString::fromUtf8(kSaveText).remove(QStringLiteral("...")),
                                                          QDir(folder).filePath(QStringLiteral("received.txt")),
                                                          QStringLiteral("Text files (*.txt);;All files (*)"));
        if (!path.isEmpty())
            SaveReceivedText(path);
    });
    clearTextAction_ = text->addAction(QString::fromUtf8(kClearText));
    connect(clearTextAction_, &QAction::triggered, this, [this] { textPane_->clear(); });
    text->addSeparator();
    timestampsAction_ = text->addAction(QString::fromUtf8(kTimestampsText));
    timestampsAction_->setCheckable(true);
    connect(timestampsAction_, &QAction::triggered, this,
            [this](bool on) { store_->setValue(QString::fromUtf8(kTimestampsKey), on); });
    logAction_ = text->addAction(QString::fromUtf8(kLogText));
    logAction_->setCheckable(true);
    connect(logAction_, &QAction::triggered, this, [this](bool on) {
        store_->setValue(QString::fromUtf8(kLogKey), on);
        log_.setEnabled(on);
        // Back on, the log gets a line with the time at once.
        if (on && !firstShow_) {
            log_.BeginOver(settings_.centreFrequency);
            ReportLogFailure();
        }
    });
}

void ReceiverWindow::LoadTextChoices()
{
    // A first start: the dialog font, no timestamps, the log on.
    const QVariant points = store_->value(QString::fromUtf8(kTextPointsKey));
    if (points.isValid())
        SetTextPoints(points.toDouble());
    timestampsAction_->setChecked(store_->value(QString::fromUtf8(kTimestampsKey), false).toBool());
    logAction_->setChecked(store_->value(QString::fromUtf8(kLogKey), true).toBool());
    log_.setEnabled(logAction_->isChecked());
}

void ReceiverWindow::SetTextPoints(double points)
{
    points = std::clamp<double>(std::round(points), kMinTextPoints, kMaxTextPoints);
    QFont paneFont = textPane_->font();
    if (paneFont.pointSizeF() != points) {
        paneFont.setPointSizeF(points);
        textPane_->setFont(paneFont);
    }
    if (store_->value(QString::fromUtf8(kTextPointsKey)).toDouble() != points)
        store_->setValue(QString::fromUtf8(kTextPointsKey), points);
}

void ReceiverWindow::setClock(const UtcClock& clock)
{
    clock_ = &clock;
    log_.setClock(clock);
}

void ReceiverWindow::setLogFolder(const QString& folder)
{
    log_.setFolder(std::filesystem::path(folder.toStdU16String()));
}

QString ReceiverWindow::defaultLogFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QString::fromUtf8(kLogFolderName));
}

void ReceiverWindow::BeginOver()
{
    log_.BeginOver(settings_.centreFrequency);
    ReportLogFailure();
    if (!timestampsAction_->isChecked())
        return;
    // "[HH:MMZ] " at the start of a line of the pane, as the decoder would write it.
    const std::string stamp = "[" + UtcHoursMinutes(clock_->now()) + "Z] ";
    const int n = textPane_->textLength();
    const bool lineStart = n == 0 || textPane_->document()->characterAt(n - 1) == QChar::ParagraphSeparator;
    textPane_->selectRange(n, n);
    textPane_->replaceSelection(((lineStart ? "" : "\n") + stamp).c_str());
    textPane_->scrollToCaret();
}

void ReceiverWindow::ReportLogFailure()
{
    if (logFailureReported_ || log_.failure().empty())
        return;
    logFailureReported_ = true;
    // Told once, after the sample in hand is done; reception goes on meanwhile.
    const std::string text = "The received text cannot be logged: " + log_.failure() +
                             ".\nReception goes on; the log tries again at the next over.";
    QTimer::singleShot(0, this, [this, text] { messages_.showMessage(kTitle, text, MessageIcon::Exclamation); });
}

bool ReceiverWindow::SaveReceivedText(const QString& path)
{
    QFile file(path);
    const QByteArray text = textPane_->toPlainText().toUtf8();
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size() && file.flush()) {
        file.close();
        if (file.error() == QFileDevice::NoError)
            return true;
    }
    messages_.showMessage(kTitle, "Cannot save the received text to " + path.toStdString() + ": " +
                                      file.errorString().toStdString(), MessageIcon::Exclamation);
    return false;
}

void ReceiverWindow::PlaceWaterfall()
{
    if (waterfallPlaced_)
        return;
    waterfallPlaced_ = true;
    if (waterfall_->restoreGeometry(store_->value(QString::fromUtf8(kWaterfallGeometryKey)).toByteArray()))
        return;
    // The first time: beside the receiver, right, left, below or above it, where
    // the whole waterfall fits on the screen; else to its right.
    const QRect receiver = frameGeometry();
    const QSize size = waterfall_->frameGeometry().size();
    const QPoint candidates[] = {
        {receiver.right() + 1 + kWaterfallGapPx, receiver.top()},
        {receiver.left() - kWaterfallGapPx - size.width(), receiver.top()},
        {receiver.left(), receiver.bottom() + 1 + kWaterfallGapPx},
        {receiver.left(), receiver.top() - kWaterfallGapPx - size.height()},
    };
    const QScreen* screen = this->screen() != nullptr ? this->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen != nullptr ? screen->availableGeometry() : QRect();
    QPoint place = candidates[0];
    for (const QPoint& p : candidates)
        if (area.contains(QRect(p, size))) {
            place = p;
            break;
        }
    waterfall_->move(place);
}

bool ReceiverWindow::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched == afcLabel_ || watched == menuBar_) &&
        (event->type() == QEvent::Show || event->type() == QEvent::Hide || event->type() == QEvent::Move ||
         event->type() == QEvent::Resize))
        PlaceLevelReadout();
    // The arrow keys move the check within the option's own group.
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const auto* option = qobject_cast<QAbstractButton*>(watched);
        if (option != nullptr && option->group() != nullptr &&
            (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier &&
            dialogkeys::MoveCheck(option->group()->buttons(), watched, dialogkeys::ArrowStep(key->key())))
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

bool ReceiverWindow::focusNextPrevChild(bool next)
{
    // The Tab key stops at the tab stops, in creation order: the three buttons,
    // every speed option but the first, "Fast sync" and the pane. "31 baud" and
    // "Slow sync" start their groups and are reached with the arrow keys. (Qt would
    // let one option of a group take Tab; the operator's keys follow the stops.)
    static const int kTabStops[] = {kStartId,          kToggleId,         kMixerId,          kRxModes[1].optionId,
                                    kRxModes[2].optionId, kRxModes[3].optionId, kRxModes[4].optionId, kFastSyncId,
                                    kTextPaneId};
    QList<QWidget*> controls;
    for (QWidget* w : client_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (w->property(kControlIdProperty).isValid())
            controls.push_back(w);
    qsizetype at = next ? -1 : controls.size();
    for (QWidget* f = QApplication::focusWidget(); f != nullptr && f != client_; f = f->parentWidget())
        if (const auto i = controls.indexOf(f); i >= 0) {
            at = i;
            break;
        }
    return dialogkeys::FocusNextStop(controls, at, next, [](const QWidget* w) {
        const int id = w->property(kControlIdProperty).toInt();
        return std::find(std::begin(kTabStops), std::end(kTabStops), id) != std::end(kTabStops);
    });
}
