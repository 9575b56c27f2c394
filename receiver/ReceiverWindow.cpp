#include "ReceiverWindow.h"

#include "MskDemodulator.h"
#include "ReceivedTextEdit.h"
#include "ScopeWidget.h"
#include "SignalDisplay.h"
#include "UpDown.h"
#include "VaricodeDecoder.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

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

constexpr int kOptionTextGap = 3;  // pixels between an option's indicator and its text
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
      volume_(volume), capture_(device, *this, messages, *this)
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
    CreateControls();
    resize(kClientWidth, kClientHeight);
    InitialiseReceiveChain();
    CentreOnScreen();
}

ReceiverWindow::~ReceiverWindow()
{
    // The device goes before the chain that its buffers feed.
    capture_.CloseCapture();
}

void ReceiverWindow::CreateControls()
{
    scope_ = new ScopeWidget(this);
    PlaceControl(scope_, kDisplayPlace, kDisplayId);

    startButton_ = new QPushButton(QString::fromUtf8(kStartText), this);
    PlaceControl(startButton_, kStartPlace, kStartId);
    toggleButton_ = new QPushButton(QString::fromUtf8(kStopText), this);
    PlaceControl(toggleButton_, kTogglePlace, kToggleId);
    mixerButton_ = new QPushButton(QString::fromUtf8(kMixerText), this);
    PlaceControl(mixerButton_, kMixerPlace, kMixerId);
    for (QPushButton* b : {startButton_, toggleButton_, mixerButton_}) {
        b->setAutoDefault(false);
        b->setFocusPolicy(Qt::StrongFocus);
    }
    connect(startButton_, &QPushButton::clicked, this, [this] { capture_.StartCapture(); });
    connect(toggleButton_, &QPushButton::clicked, this, [this] { capture_.ToggleCapture(); });
    connect(mixerButton_, &QPushButton::clicked, this, &ReceiverWindow::OpenMixer);

    speedGroup_ = new QButtonGroup(this);
    int row = 0;
    for (const RxMode& mode : kRxModes) {
        auto* option = new QRadioButton(QString::fromUtf8(mode.label), this);
        option->setAutoExclusive(false);
        PlaceControl(option, {kSpeedX, kSpeedTop + row * kSpeedPitch, kOptionW, kOptionH}, mode.optionId);
        speedGroup_->addButton(option, mode.optionId);
        ++row;
    }
    speedGroup_->button(kRxModes[0].optionId)->setChecked(true);
    // Any click applies the option's value again, checked before or not.
    connect(speedGroup_, &QButtonGroup::idClicked, this, &ReceiverWindow::SelectSpeed);

    syncGroup_ = new QButtonGroup(this);
    auto* slow = new QRadioButton(QString::fromUtf8(kSlowSyncText), this);
    PlaceControl(slow, kSlowSyncPlace, kSlowSyncId);
    auto* fast = new QRadioButton(QString::fromUtf8(kFastSyncText), this);
    PlaceControl(fast, kFastSyncPlace, kFastSyncId);
    for (QRadioButton* option : {slow, fast}) {
        option->setAutoExclusive(false);
        syncGroup_->addButton(option, option->property(kControlIdProperty).toInt());
    }
    fast->setChecked(true);
    connect(syncGroup_, &QButtonGroup::idClicked, this, &ReceiverWindow::SelectSync);

    textPane_ = new ReceivedTextEdit(this);
    PlaceControl(textPane_, kTextPanePlace, kTextPaneId);

    centreLabel_ = MakeValueLabel(this, ValueText(settings_.centreFrequency), kCentreLabelPlace, kCentreLabelId);
    centreUpDown_ = new UpDown(this);
    centreUpDown_->setProperty(kControlIdProperty, kCentreUpDownId);
    centreUpDown_->setBuddy(centreLabel_);
    connect(centreUpDown_, &UpDown::deltaPos, this, &ReceiverWindow::StepCentreFrequency);
    MakeCaption(this, kCentreCaption, kCentreCaptionPlace);

    rateLabel_ = MakeValueLabel(this, QString::number(settings_.sampleRate), kRateLabelPlace, kRateLabelId);
    rateUpDown_ = new UpDown(this);
    rateUpDown_->setProperty(kControlIdProperty, kRateUpDownId);
    rateUpDown_->setBuddy(rateLabel_);
    connect(rateUpDown_, &UpDown::deltaPos, this, &ReceiverWindow::StepSampleRate);
    MakeCaption(this, kRateCaption, kRateCaptionPlace);

    // Tab order is creation order, through the controls that take the focus.
    QWidget* previous = nullptr;
    for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!(w->focusPolicy() & Qt::TabFocus))
            continue;
        if (previous)
            setTabOrder(previous, w);
        previous = w;
    }
}

void ReceiverWindow::InitialiseReceiveChain()
{
    // The settings' own defaults match the options checked at start ("31 baud",
    // "Fast sync") and the labels' first texts ("1000", "8000").
    settings_ = ReceiverSettings{};
    decoder_ = std::make_unique<VaricodeDecoder>(*textPane_);
    display_ = std::make_unique<SignalDisplay>(scope_);
    demodulator_ = std::make_unique<MskDemodulator>(settings_, *decoder_, display_.get());
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
    for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
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
}

void ReceiverWindow::StepSampleRate(int step)
{
    const std::int64_t next = static_cast<std::int64_t>(settings_.sampleRate) - step;
    if (next >= kMinSampleRate && next <= kMaxSampleRate)
        settings_.sampleRate = static_cast<std::int32_t>(next);
    rateLabel_->setText(QString::number(settings_.sampleRate));
}

void ReceiverWindow::SelectSpeed(int optionId)
{
    for (const RxMode& mode : kRxModes)
        if (mode.optionId == optionId)
            settings_.tickRate = mode.tickRate;
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
    demodulator_->DemodulateSample(x);
}

void ReceiverWindow::closeEvent(QCloseEvent* event)
{
    // The recording device goes first, so no buffer reaches the chain once the
    // display has let go of its picture.
    capture_.CloseCapture();
    scope_->ReleaseDisplay();
    event->accept();
}
