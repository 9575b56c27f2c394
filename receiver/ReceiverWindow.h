// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The receiver's main window, "MSK receiver": a menu bar, and below it the 410 x 280
// client area with the scope, Start / Stop / Mixer, the five speed and two sync
// options, the received-text pane, and the centre frequency and sample-rate
// steppers with their value labels. The "Receive" menu chooses the demodulator and
// switches squelch and reverse; the "View" menu opens the waterfall, where a click
// tunes. While the enhanced demodulator runs, the bar's right end shows its AFC
// offset. It owns the receive chain (settings, demodulator, decoder, signal
// display, waterfall spectrum) and the audio capture, routes the buttons to the
// capture, every returned buffer through the chain, and writes the settings from
// its controls. The menu choices are remembered between runs; every other setting
// starts at its default. The sound card, the message boxes and the volume control
// come from outside, so tests can put fakes in their place. Window thread only.
//
// Beyond the classic window: the window can be made larger, and the pane grows with
// it while the controls keep their places; the "Text" menu saves or clears the
// pane, marks each over with its UTC time and keeps the received-text log (a
// daily file, see ReceivedTextLog); View -> "Larger text" / "Smaller text" set the
// pane's font. A click on the waterfall near the station the AFC holds tunes to
// that station to 0.1 Hz. The window's and the waterfall's places, the pane's font
// size and these choices are remembered too.

#include "modem/receive/ReceiverSettings.h"
#include "modem/receive/SampleSink.h"
#include "platform/SoundDevices.h"
#include "platform/VolumeControl.h"
#include "receiver/AudioCapture.h"
#include "receiver/CaptureWindow.h"
#include "receiver/ReceivedTextLog.h"
#include "receiver/InputPeakMeter.h"

#include <QWidget>

#include <memory>
#include <optional>

class LoggedTextPane;
class MskDemodulator;
class OtherStationCall;
class SoundDeviceChooser;
class SoundDeviceSetting;
class QAction;
class QButtonGroup;
class QLabel;
class QMenuBar;
class QPushButton;
class QSettings;
class QTimer;
class ReceiveDemodulator;
class ReceivedTextEdit;
class ScopeWidget;
class SignalDisplay;
class UpDown;
class VaricodeDecoder;
class WaterfallSpectrum;
class WaterfallWindow;

class ReceiverWindow : public QWidget, public CaptureWindow, public SampleSink {
    Q_OBJECT

public:
    static constexpr int kClientWidth = 410;   // pixels
    static constexpr int kClientHeight = 280;  // pixels
    static constexpr const char* kTitle = "MSK receiver";
    static constexpr const char* kControlIdProperty = "controlId";

    // Where the menu choices are remembered (QSettings).
    static constexpr const char* kSettingsOrganisation = "MSK modem";
    static constexpr const char* kSettingsApplication = "msk-receiver";
    static constexpr int kAfcRefreshMs = 250;  // the AFC readout and mark follow at this pace

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
    // A click on the waterfall tunes to the station the AFC holds to this step.
    static constexpr Real kSnapResolutionHz = 0.1;
    // The pane's font, in points, as "Larger text" and "Smaller text" step it.
    static constexpr int kMinTextPoints = 6;
    static constexpr int kMaxTextPoints = 36;

    ReceiverWindow(AudioInputDevice& device, OperatorMessages& messages, VolumeControl& volume,
                   QWidget* parent = nullptr);
    ~ReceiverWindow() override;

    // The control with this id (the first caption for -1), or nullptr.
    QWidget* control(int id) const;
    // The area below the menu bar that holds the controls: 410 x 280, or larger
    // with the window.
    QWidget* clientArea() const { return client_; }
    QMenuBar* menuBar() const { return menuBar_; }
    // The menu items: "Standard demodulator", "Enhanced demodulator", "Squelch",
    // "Reverse", "Waterfall".
    QAction* standardAction() const { return standardAction_; }
    QAction* enhancedAction() const { return enhancedAction_; }
    QAction* squelchAction() const { return squelchAction_; }
    QAction* reverseAction() const { return reverseAction_; }
    QAction* waterfallAction() const { return waterfallAction_; }
    // "Larger text", "Smaller text" (View); "Save received text...", "Clear",
    // "Timestamps", "Log to file" (Text).
    QAction* largerTextAction() const { return largerTextAction_; }
    QAction* smallerTextAction() const { return smallerTextAction_; }
    QAction* saveTextAction() const { return saveTextAction_; }
    QAction* clearTextAction() const { return clearTextAction_; }
    QAction* timestampsAction() const { return timestampsAction_; }
    QAction* logAction() const { return logAction_; }
    // The AFC readout at the bar's right end.
    QLabel* afcReadout() const { return afcLabel_; }
    // The input level (peak dBFS) left of the AFC readout, while recording.
    QLabel* levelReadout() const { return levelLabel_; }
    QAction* soundDeviceAction() const { return soundDeviceAction_; }
    SoundDeviceSetting* soundDevice() const { return soundDevice_.get(); }

    // The recording devices "Station > Sound device..." offers, and the one the
    // command line named (for this run only). Before the window is shown; without
    // it the system's default device records and the item has nothing to offer.
    void UseSoundDevices(SoundDeviceList& list, SoundDeviceChooser& chooser,
                         const std::optional<SoundDevice>& fromCommandLine);
    // Brings the level readout up to date (also done with the AFC readout's timer).
    void RefreshLevel();
    WaterfallWindow* waterfall() const { return waterfall_; }

    const ReceiverSettings& settings() const { return settings_; }
    AudioCapture& capture() { return capture_; }
    // The classic chain, which runs whichever chain is heard.
    const MskDemodulator& demodulator() const;
    const ReceiveDemodulator& receiveDemodulator() const { return *demodulator_; }
    ReceivedTextEdit* textPane() const { return textPane_; }
    // The other station's call as this window shares it (a double-click in the pane).
    const OtherStationCall& otherStationCall() const { return *otherCall_; }
    ScopeWidget* scope() const { return scope_; }
    const SignalDisplay& signalDisplay() const { return *display_; }

    // Sets the centre frequency, rounded to 1 Hz and kept inside its bounds, as the
    // waterfall's click does away from a station.
    void TuneTo(double hz);
    // The waterfall's click: within half the bit rate of the station the AFC holds,
    // tunes to that station's centre to 0.1 Hz; anywhere else as TuneTo.
    void TuneToClick(double hz);
    // Where the AFC puts the station it holds (Hz), while it holds one: the
    // enhanced chain hears a signal of the selected speed (its squelch is open,
    // whether or not the squelch is on) and its search has lines.
    std::optional<double> heldStationHz() const;

    // The clock of the log and the pane's timestamps (the system's by default);
    // set before the window is first shown, it dates the program's start too.
    void setClock(const UtcClock& clock);
    // Where the received-text log goes instead of the user's data folder.
    void setLogFolder(const QString& folder);
    const ReceivedTextLog& log() const { return log_; }
    // The user's data folder for the log.
    static QString defaultLogFolder();
    // Writes the pane's text to `path` in UTF-8; a failure is told to the operator.
    bool SaveReceivedText(const QString& path);
    // Brings the AFC readout and the waterfall's marks up to date (also done by a
    // timer every kAfcRefreshMs).
    void RefreshAfc();

    // CaptureWindow
    void DisableStartButton() override;
    void EnableStartButton() override;
    void SetToggleCaption(const char* caption) override;
    void CloseWindow() override;
    // SampleSink: every recorded sample into the demodulator.
    void DemodulateSample(std::int16_t x) override;

    void OpenMixer();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void CreateMenus();
    void CreateStationMenu();
    void ChooseSoundDevice();
    void StartRecording();
    void PlaceLevelReadout();
    void CreateControls();
    void LoadMenuChoices();
    void FitOptionTexts();
    void ChooseDemodulator(DemodulatorChoice choice);
    void SetSquelch(bool on);
    void SetReverse(bool on);
    void ShowWaterfall(bool shown);
    void UpdateWaterfallMarks();
    void InitialiseReceiveChain();
    void CentreOnScreen();
    void CreateTextMenu(QMenu* view);
    void LoadTextChoices();
    void SetTextPoints(double points);
    void LayOutClient();
    void PlaceWaterfall();
    void BeginOver();
    void ReportLogFailure();
    void StepCentreFrequency(int step);
    void StepSampleRate(int step);
    void SelectSpeed(int optionId);
    void SelectSync(int optionId);

    VolumeControl& volume_;
    OperatorMessages& messages_;
    ReceiverSettings settings_;
    AudioCapture capture_;
    std::unique_ptr<QSettings> store_;

    QMenuBar* menuBar_ = nullptr;
    QWidget* client_ = nullptr;
    QAction* standardAction_ = nullptr;
    QAction* enhancedAction_ = nullptr;
    QAction* squelchAction_ = nullptr;
    QAction* reverseAction_ = nullptr;
    QAction* waterfallAction_ = nullptr;
    QAction* largerTextAction_ = nullptr;
    QAction* smallerTextAction_ = nullptr;
    QAction* saveTextAction_ = nullptr;
    QAction* clearTextAction_ = nullptr;
    QAction* timestampsAction_ = nullptr;
    QAction* logAction_ = nullptr;
    QLabel* afcLabel_ = nullptr;
    QLabel* levelLabel_ = nullptr;
    QAction* soundDeviceAction_ = nullptr;
    InputPeakMeter level_;
    std::unique_ptr<SoundDeviceSetting> soundDevice_;
    AudioInputDevice& device_;
    QTimer* afcTimer_ = nullptr;
    WaterfallWindow* waterfall_ = nullptr;
    bool waterfallFed_ = false;  // samples go to the spectrum while it is shown
    bool firstShow_ = true;
    bool closing_ = false;
    bool waterfallPlaced_ = false;

    SystemUtcClock systemClock_;
    const UtcClock* clock_ = &systemClock_;
    ReceivedTextLog log_{systemClock_};
    std::unique_ptr<LoggedTextPane> loggedPane_;
    std::optional<OverStart> overStart_;  // from the first show
    bool squelchOpen_ = false;
    bool logFailureReported_ = false;

    ScopeWidget* scope_ = nullptr;
    QPushButton* startButton_ = nullptr;
    QPushButton* toggleButton_ = nullptr;
    QPushButton* mixerButton_ = nullptr;
    QButtonGroup* speedGroup_ = nullptr;
    QButtonGroup* syncGroup_ = nullptr;
    ReceivedTextEdit* textPane_ = nullptr;
    OtherStationCall* otherCall_ = nullptr;
    QLabel* centreLabel_ = nullptr;
    UpDown* centreUpDown_ = nullptr;
    QLabel* rateLabel_ = nullptr;
    UpDown* rateUpDown_ = nullptr;

    std::unique_ptr<VaricodeDecoder> decoder_;
    std::unique_ptr<SignalDisplay> display_;
    std::unique_ptr<ReceiveDemodulator> demodulator_;
    std::unique_ptr<WaterfallSpectrum> spectrum_;
};
