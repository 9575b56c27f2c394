#pragma once
// The transmitter's one window: the five speeds, the entry whose text is sent, the
// "Turn On"/"Turn Off" toggle, "PTT port", "Output" and the status line.
//
// It owns the transmit chain (entry text -> bit queue -> synthesiser -> audio
// stream) and the PTT port, and only routes the operator's commands to them; the
// stream changes the window back through TxWindowControls, the port selection
// through PttWindowControls, the queue through TxStatusSink. Window thread only.

#include "modem/transmit/MskSynthesizer.h"
#include "modem/transmit/TxBitQueue.h"
#include "transmitter/PttPort.h"
#include "transmitter/TransmitterDevices.h"
#include "transmitter/TxWindowControls.h"

#include <QDialog>
#include <QList>

#include <memory>

class EntryTextSource;
class QButtonGroup;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QAction;
class QActionGroup;
class QRadioButton;
class QSettings;
class TxAudioStream;

class TransmitterWindow : public QDialog,
                          public TxWindowControls,
                          public PttWindowControls,
                          public TxStatusSink {
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
    static constexpr const char* kSettingsOrganisation = "MSK modem";
    static constexpr const char* kSettingsApplication = "msk-transmitter";
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

    // TxWindowControls
    void setToggleText(const std::string& text) override;
    void setPttButtonEnabled(bool enabled) override;  // also PttWindowControls
    void setModeOptionsEnabled(bool enabled) override;
    void endWindow() override;
    // PttWindowControls
    void setToggleEnabled(bool enabled) override;
    // TxStatusSink
    void setStatusText(const std::string& text) override;

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
    void choosePttPort();
    void showPttDevice();
    void buildStationMenu();
    void chooseRig();

    TransmitterDevices devices_;
    QPushButton* toggle_ = nullptr;
    QPushButton* pttButton_ = nullptr;
    QPushButton* outputButton_ = nullptr;
    QButtonGroup* modes_ = nullptr;
    QLabel* status_ = nullptr;
    QPlainTextEdit* entry_ = nullptr;
    // The controls in creation order, which is the order Tab follows; the arrow
    // keys move through the mode options in the order of modes_.
    QList<QWidget*> tabOrder_;

    MskSynthesizer synthesizer_;
    PttPort ptt_;
    std::unique_ptr<EntryTextSource> entryText_;
    std::unique_ptr<TxBitQueue> queue_;
    std::unique_ptr<TxAudioStream> stream_;

    std::unique_ptr<QSettings> store_;
    QActionGroup* driveLevels_ = nullptr;
    QAction* rigAction_ = nullptr;
    int driveLevelDb_ = 0;
    bool pttChosenForThisRun_ = false;

    bool ending_ = false;          // endWindow() called: the next close is accepted
    bool ended_ = false;
    bool inCloseEvent_ = false;
    bool programEndRequested_ = false;
};
