#pragma once
// The receiver's one window, "MSK receiver": the scope, Start / Stop / Mixer, the
// five speed and two sync options, the received-text pane, and the centre
// frequency and sample-rate steppers with their value labels. It owns the receive
// chain (settings, demodulator, decoder, signal display) and the audio capture,
// routes the buttons to the capture, every returned buffer through the chain, and
// writes the settings from its controls. The sound card, the message boxes and
// the volume control come from outside, so tests can put fakes in their place.
// Window thread only.

#include "AudioCapture.h"
#include "CaptureWindow.h"
#include "ReceiverSettings.h"
#include "SampleSink.h"
#include "VolumeControl.h"

#include <QWidget>

#include <memory>

class MskDemodulator;
class QButtonGroup;
class QLabel;
class QPushButton;
class ReceivedTextEdit;
class ScopeWidget;
class SignalDisplay;
class UpDown;
class VaricodeDecoder;

class ReceiverWindow : public QWidget, public CaptureWindow, public SampleSink {
    Q_OBJECT

public:
    static constexpr int kClientWidth = 410;   // pixels
    static constexpr int kClientHeight = 280;  // pixels
    static constexpr const char* kTitle = "MSK receiver";
    static constexpr const char* kControlIdProperty = "controlId";

    // Control ids; the two captions without one carry -1.
    static constexpr int kDisplayId = 300;
    static constexpr int kStartId = 100;
    static constexpr int kToggleId = 200;
    static constexpr int kMixerId = 670;
    static constexpr int kSlowSyncId = 3200;
    static constexpr int kFastSyncId = 3201;
    static constexpr int kTextPaneId = 320;
    static constexpr int kCentreLabelId = 1501;
    static constexpr int kCentreUpDownId = 1500;
    static constexpr int kRateLabelId = 3100;
    static constexpr int kRateUpDownId = 3101;
    static constexpr int kCaptionId = -1;

    // The range the two steppers keep to. The demodulator needs a positive sample
    // rate, and a centre frequency inside the 8000 samples/s band.
    static constexpr Real kMinCentreFrequencyHz = 1.0;
    static constexpr Real kMaxCentreFrequencyHz = 3999.0;
    static constexpr std::int32_t kMinSampleRate = 4000;   // samples/s
    static constexpr std::int32_t kMaxSampleRate = 16000;  // samples/s

    ReceiverWindow(AudioInputDevice& device, OperatorMessages& messages, VolumeControl& volume,
                   QWidget* parent = nullptr);
    ~ReceiverWindow() override;

    // The control with this id (the first caption for -1), or nullptr.
    QWidget* control(int id) const;

    const ReceiverSettings& settings() const { return settings_; }
    AudioCapture& capture() { return capture_; }
    const MskDemodulator& demodulator() const { return *demodulator_; }
    ReceivedTextEdit* textPane() const { return textPane_; }
    ScopeWidget* scope() const { return scope_; }
    const SignalDisplay& signalDisplay() const { return *display_; }

    // CaptureWindow
    void DisableStartButton() override;
    void SetToggleCaption(const char* caption) override;
    void CloseWindow() override;
    // SampleSink: every recorded sample into the demodulator.
    void DemodulateSample(std::int16_t x) override;

    void OpenMixer();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateControls();
    void InitialiseReceiveChain();
    void CentreOnScreen();
    void StepCentreFrequency(int step);
    void StepSampleRate(int step);
    void SelectSpeed(int optionId);
    void SelectSync(int optionId);

    VolumeControl& volume_;
    ReceiverSettings settings_;
    AudioCapture capture_;

    ScopeWidget* scope_ = nullptr;
    QPushButton* startButton_ = nullptr;
    QPushButton* toggleButton_ = nullptr;
    QPushButton* mixerButton_ = nullptr;
    QButtonGroup* speedGroup_ = nullptr;
    QButtonGroup* syncGroup_ = nullptr;
    ReceivedTextEdit* textPane_ = nullptr;
    QLabel* centreLabel_ = nullptr;
    UpDown* centreUpDown_ = nullptr;
    QLabel* rateLabel_ = nullptr;
    UpDown* rateUpDown_ = nullptr;

    std::unique_ptr<VaricodeDecoder> decoder_;
    std::unique_ptr<SignalDisplay> display_;
    std::unique_ptr<MskDemodulator> demodulator_;
};
