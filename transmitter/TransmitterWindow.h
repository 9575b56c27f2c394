// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The transmitter's one window: a menu bar ("Station": the sound device) over
// the client area with the five speeds, the entry whose text is sent, the
// "Turn On"/"Turn Off" toggle, "PTT port", "Output" and the status line.
//
// It owns the transmit chain (entry text -> bit queue -> synthesiser -> audio
// stream) and the PTT port, and only routes the operator's commands to them; the
// stream changes the window back through TxWindowControls, the port selection
// through PttWindowControls, the queue through TxStatusSink. Window thread only.
//
// Above the controls, which keep their places and sizes in a client area of their
// own, a menu bar holds the operator's aids ("Operate": Turn On, end the over,
// clear for a new over, the macros F1-F12 and their dialog) and shows the other
// station's call at its right end. Text of the entry already on the air is
// coloured as its bits play (OverProgress, fed by OnAirDevice between the stream
// and the sound card). Macros and the operator's callsign are remembered
// (QSettings); the other station's call comes from the receiver (OtherStationCall).

#include "modem/transmit/MskSynthesizer.h"
#include "modem/transmit/TxBitQueue.h"
#include "transmitter/Macros.h"
#include "transmitter/OverProgress.h"
#include "platform/SoundDevices.h"
#include "transmitter/PttPort.h"
#include "transmitter/TransmitterDevices.h"
#include "transmitter/TxWindowControls.h"

#include <QDateTime>
#include <QDialog>
#include <QList>

#include <functional>
#include <memory>
#include <optional>

class EntryTextSource;
class OnAirDevice;
class OtherStationCall;
class QColor;
class QMenu;
class QMenuBar;
class QSettings;
class SoundDeviceChooser;
class SoundDeviceSetting;
class QButtonGroup;
class QAction;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QActionGroup;
class QRadioButton;
class TxAudioStream;

class TransmitterWindow : public QDialog,
                          public TxWindowControls,
                          public PttWindowControls,
                          public TxStatusSink,
                          private OverProgressListener {
    Q_OBJECT

public:
    // Control IDs, kept on each control as the property "controlId".
    static constexpr int kEntryId = 1001;
    static constexpr int kToggleId = 1002;
    static constexpr int kStatusId = 4000;
    static constexpr int kPttPortId = 5000;
    static constexpr int kOutputId = 5001;
    static constexpr const char* kCaption = "MSK transmitter";
    static constexpr const char* kControlIdProperty = "controlId";
    // The operator's aids in the menu bar above the controls.
    static constexpr const char* kSettingsOrganisation = "MSK modem";
    static constexpr const char* kSettingsApplication = "msk-transmitter";
    static constexpr const char* kOperateMenuText = "&Operate";
    static constexpr const char* kQuitQuestion = "Stop transmitting and quit? %1 characters are not sent yet.";

    // Builds the window, hidden and without caption, with its controls and
    // "31 baud" checked.
    explicit TransmitterWindow(const TransmitterDevices& devices, QWidget* parent = nullptr);
    ~TransmitterWindow() override;

    // Before the window is shown: opens the PTT port (its failure box comes up
    // before the window does), sets the caption, leaves the chain in its start state.
    void initialise();
    // Shows the window in the middle of the screen.
    void showCentred();
    // Before initialise(): key the radio as this text says for this run (the
    // command line's --ptt), whatever was remembered. False for a text no keying
    // method takes.
    bool choosePttForThisRun(const std::string& text);

    // Remembered choices (QSettings).
    static constexpr const char* kPttSetting = "ptt/choice";
    static constexpr const char* kDriveSetting = "transmit/driveLevelDb";
    // The drive level, 0 to -30 dB ("Station" menu); remembered.
    void setDriveLevel(int db);
    int driveLevel() const { return driveLevelDb_; }
    // The system asks the program to end (kill, logout, Ctrl+C, a closed terminal).
    // The window closes as its close box closes it -- a transmission is cut and PTT
    // released first -- and then the program ends, also where a message box or the
    // PTT pop-up is waiting for the operator in a loop of its own (those loops end
    // with the program's, the box unanswered). May come before the window is shown.
    void requestProgramEnd();
    bool programEndRequested() const { return programEndRequested_; }

    // The sound devices "Station > Sound device..." offers, and the one the command
    // line named (for this run only). Before initialise(); without it the system's
    // default device plays and the item has nothing to offer.
    void useSoundDevices(SoundDeviceList& list, SoundDeviceChooser& chooser,
                         const std::optional<SoundDevice>& fromCommandLine);
    // The menu bar above the client area, whose size and content are those of the
    // window without it.
    QMenuBar* menuBar() const { return menuBar_; }
    QWidget* clientArea() const { return client_; }
    QAction* soundDeviceAction() const { return soundDeviceAction_; }
    // "Sound ran dry 3 times in this over", at the bar's right end; hidden while none.
    QLabel* soundRanDryLabel() const { return dryLabel_; }
    SoundDeviceSetting* soundDevice() const { return soundDevice_.get(); }

    // TxWindowControls
    void setToggleText(const std::string& text) override;
    void setPttButtonEnabled(bool enabled) override;  // also PttWindowControls
    void setModeOptionsEnabled(bool enabled) override;
    void endWindow() override;
    void showSoundRanDry(int times) override;
    // PttWindowControls
    void setToggleEnabled(bool enabled) override;
    // TxStatusSink
    void setStatusText(const std::string& text) override;

    // The operator's callsign for <MYCALL> in this run only (--callsign), in
    // place of the one set in "Macros...".
    void setMyCallOverride(const QString& call);
    QString myCall() const;
    // The clock the <UTC> and <DATE> tokens read; the system's at start.
    void setClock(std::function<QDateTime()> clock) { clock_ = std::move(clock); }

    // The operator's keys, as the menu and its shortcuts run them.
    void turnOn();              // Ctrl+T
    void endOver();             // Ctrl+R
    void clearForNewOver();     // Ctrl+L
    void sendMacro(int index);  // F1 (0) to F12 (11)
    void editMacros();          // "Macros..."
    const MacroSet& macros() const { return macros_; }

    // Characters of the entry whose bits have been played, counted from its start.
    int charactersOnAir() const { return charactersOnAir_; }
    // Characters of the entry not on the air yet.
    int charactersWaiting() const;
    const OverProgress& overProgress() const { return *progress_; }
    static QColor onAirColour();

    // The bar's right corner: the other station's call, and whether the over
    // ends by itself once the text has gone.
    QString shownCall() const;

    // The control with this ID, or nullptr.
    QWidget* control(int id) const;
    QPlainTextEdit* entry() const { return entry_; }
    TxAudioStream& stream() { return *stream_; }
    TxBitQueue& bitQueue() { return *queue_; }
    MskSynthesizer& synthesizer() { return synthesizer_; }
    PttPort& pttPort() { return ptt_; }
    // True once the window has ended for good.
    bool hasEnded() const { return ended_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;  // Esc
    void keyPressEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void buildMenuBar();
    void entryChanged(int position, int removed, int added);
    void showOnAir();
    // OverProgressListener
    void onAirChanged() override;
    void overEnded() override;
    void endArmedChanged() override;
    void showCorner();

    void chooseSoundDevice();
    void toggleTransmission();
    void choosePttPort();
    void showPttDevice();
    void buildStationMenu(QMenu& station);
    void chooseRig();

    TransmitterDevices devices_;
    QPushButton* toggle_ = nullptr;
    QPushButton* pttButton_ = nullptr;
    QPushButton* outputButton_ = nullptr;
    QButtonGroup* modes_ = nullptr;
    QLabel* status_ = nullptr;
    QPlainTextEdit* entry_ = nullptr;
    QWidget* client_ = nullptr;
    QMenuBar* menuBar_ = nullptr;
    QLabel* callLabel_ = nullptr;
    QAction* soundDeviceAction_ = nullptr;
    QLabel* dryLabel_ = nullptr;
    std::unique_ptr<SoundDeviceSetting> soundDevice_;
    // The controls in creation order, which is the order Tab follows; the arrow
    // keys move through the mode options in the order of modes_.
    QList<QWidget*> tabOrder_;

    MskSynthesizer synthesizer_;
    PttPort ptt_;
    std::unique_ptr<QSettings> store_;
    std::unique_ptr<EntryTextSource> entryText_;
    std::unique_ptr<TxBitQueue> queue_;
    std::unique_ptr<OverProgress> progress_;
    std::unique_ptr<OnAirDevice> onAirDevice_;  // between the stream and the sound card
    std::unique_ptr<TxAudioStream> stream_;

    MacroSet macros_;
    QString myCall_;          // remembered
    QString myCallOverride_;  // --callsign
    OtherStationCall* otherCall_ = nullptr;
    std::function<QDateTime()> clock_;
    int charactersOnAir_ = 0;
    bool clearing_ = false;  // Ctrl+L empties the entry: no edit to send
    QActionGroup* driveLevels_ = nullptr;
    QAction* rigAction_ = nullptr;
    int driveLevelDb_ = 0;
    bool pttChosenForThisRun_ = false;

    bool ending_ = false;          // endWindow() called: the next close is accepted
    bool ended_ = false;
    bool inCloseEvent_ = false;
    bool programEndRequested_ = false;
};
