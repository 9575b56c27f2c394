#pragma once
// Fakes around TxAudioStream: the radio's PTT, the window's controls and the entry
// text. Each can append to a log shared with FakeAudioOutputDevice, so a test sees
// the order of events across all of them.

#include "PttKeyer.h"
#include "TxBitQueue.h"
#include "TxWindowControls.h"

#include <string>
#include <vector>

struct FakePttKeyer : PttKeyer {
    explicit FakePttKeyer(std::vector<std::string>* log) : log(log) {}
    std::vector<std::string>* log;
    bool keyed = false;
    int keys = 0;
    int releases = 0;
    void key() override
    {
        keyed = true;
        ++keys;
        log->push_back("ptt key");
    }
    void release() override
    {
        keyed = false;
        ++releases;
        log->push_back("ptt release");
    }
};

struct FakeWindowControls : TxWindowControls {
    explicit FakeWindowControls(std::vector<std::string>* log) : log(log) {}
    std::vector<std::string>* log;
    std::string toggleText = "Turn On";  // as the window creates it
    bool pttButtonEnabled = true;
    bool modeOptionsEnabled = true;
    int ends = 0;
    std::vector<std::string> toggleTexts;  // every text set, in order
    void setToggleText(const std::string& text) override
    {
        toggleText = text;
        toggleTexts.push_back(text);
        log->push_back("toggle " + text);
    }
    void setPttButtonEnabled(bool enabled) override { pttButtonEnabled = enabled; }
    void setModeOptionsEnabled(bool enabled) override { modeOptionsEnabled = enabled; }
    void endWindow() override
    {
        ++ends;
        log->push_back("end window");
    }
};

// Entry text held as Windows-1252 bytes, line ends already CR LF.
struct StringText : TxTextSource {
    std::string bytes;
    std::int64_t length() const override { return static_cast<std::int64_t>(bytes.size()); }
    std::uint8_t byteAt(std::int64_t i) const override { return static_cast<std::uint8_t>(bytes.at(static_cast<std::size_t>(i))); }
};

struct RecordingStatus : TxStatusSink {
    std::vector<std::string> texts;
    void setStatusText(const std::string& text) override { texts.push_back(text); }
};
