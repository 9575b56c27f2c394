#pragma once
// Fakes for the transmitter window's outside world: serial lines that log into the
// same list as the fake sound card, a volume control, a port chooser, and message
// boxes that note whether the window was already showing.

#include "OperatorMessages.h"
#include "SerialLines.h"
#include "TextChooser.h"
#include "VolumeControl.h"

#include <QWidget>

#include <functional>
#include <set>
#include <string>
#include <vector>

struct LoggingSerialLines : SerialLines {
    explicit LoggingSerialLines(std::vector<std::string>* log) : log(log) {}
    std::vector<std::string>* log;
    std::set<int> existing{1, 2, 3};
    int openPort = 0;
    bool dtr = false;
    bool rts = false;

    bool open(int portNumber) override
    {
        if (openPort != 0 || existing.count(portNumber) == 0) {
            log->push_back("serial open " + std::to_string(portNumber) + " failed");
            return false;
        }
        log->push_back("serial open " + std::to_string(portNumber));
        openPort = portNumber;
        dtr = rts = true;  // as a freshly opened port on Linux
        return true;
    }
    void close() override
    {
        if (openPort != 0)
            log->push_back("serial close");
        openPort = 0;
    }
    bool isOpen() const override { return openPort != 0; }
    void setDtr(bool on) override
    {
        if (openPort == 0)
            return;
        dtr = on;
        log->push_back(on ? "dtr on" : "dtr off");
    }
    void setRts(bool on) override
    {
        if (openPort == 0)
            return;
        rts = on;
        log->push_back(on ? "rts on" : "rts off");
    }
    std::string deviceName() const override { return openPort ? "/dev/ttyFAKE" + std::to_string(openPort) : ""; }
};

struct WatchingMessages : OperatorMessages {
    struct Shown {
        std::string title;
        std::string text;
        MessageIcon icon;
        bool windowVisible;
    };
    std::vector<Shown> shown;
    int beeps = 0;
    const QWidget* window = nullptr;

    void beepExclamation() override { ++beeps; }
    void showMessage(const std::string& title, const std::string& text, MessageIcon icon) override
    {
        shown.push_back({title, text, icon, window && window->isVisible()});
    }
};

struct FakeVolumeControl : VolumeControl {
    std::vector<VolumeView> started;
    void start(VolumeView view) override { started.push_back(view); }
};

struct FakeChooser : TextChooser {
    std::string answer;
    std::vector<std::string> initialTexts;
    std::function<void()> whileOpen;  // runs as if the pop-up were showing
    std::string run(const std::string&, const std::string& initialText, const std::vector<std::string>&,
                    const std::string&) override
    {
        initialTexts.push_back(initialText);
        if (whileOpen)
            whileOpen();
        return answer;
    }
};
