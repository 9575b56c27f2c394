#include "receiver/ReceiverWindow.h"

#include "modem/dsp/WaterfallSpectrum.h"
#include "modem/receive/ReceiveDemodulator.h"
#include "modem/receive/standard/MskDemodulator.h"
#include "modem/varicode/VaricodeDecoder.h"
#include "platform/DialogKeys.h"
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
#include <QFont>
#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSettings>
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

constexpr Real kTicksPerBit = 16.0;
constexpr Real kToneSpacingBits = 0.25;  // each tone sits a quarter of the bit rate off centre
constexpr double kAfcShownResolutionHz = 0.05;  // below this the readout shows +0.0
constexpr int kAfcReadoutMarginPx = 6;          // right of the readout's text

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
      volume_(volume), capture_(device, *this, messages, *this),
      store_(std::make_unique<QSettings>(QString::fromUtf8(kSettingsOrganisation),
                                         QString::fromUtf8(kSettingsApplication))),
      device_(device), messages_(messages)
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
    CentreOnScreen();

    afcTimer_ = new QTimer(this);
    connect(afcTimer_, &QTimer::timeout, this, &ReceiverWindow::RefreshAfc);
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

    CreateStationMenu();
    afcLabel_ = new QLabel(menuBar_);
    afcLabel_->setContentsMargins(0, 0, kAfcReadoutMarginPx, 0);
    afcLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
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
    decoder_ = std::make_unique<VaricodeDecoder>(*textPane_);
    display_ = std::make_unique<SignalDisplay>(scope_);
    demodulator_ = std::make_unique<ReceiveDemodulator>(settings_, *decoder_, display_.get());
    waterfall_ = new WaterfallWindow(this);
    spectrum_ = std::make_unique<WaterfallSpectrum>(*waterfall_);
    connect(waterfall_, &WaterfallWindow::frequencyClicked, this, &ReceiverWindow::TuneTo);
    connect(waterfall_, &WaterfallWindow::closedByOperator, this, [this] {
        waterfallFed_ = false;
        if (closing_)
            return;
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

void ReceiverWindow::RefreshAfc()
{
    const bool running = settings_.demodulator == DemodulatorChoice::Enhanced && capture_.deviceOpen() &&
                         capture_.running() == 1;
    if (running) {
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
    const Real next = settings_.centreFrequency - step;
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
    waterfall_->hide();
    event->accept();
}

void ReceiverWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (firstShow_) {
        firstShow_ = false;
        if (waterfallAction_->isChecked())
            ShowWaterfall(true);
    }
}

void ReceiverWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    menuBar_->setGeometry(0, 0, width(), client_->y());
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
