#pragma once
// The received-text log: every decoded character, appended as it arrives to a text
// file of the day (UTC) in the log folder, "YYYY-MM-DD.txt", in UTF-8. Each over
// starts on a line of its own that reads "[HH:MM:SSZ 1000.0 Hz]": when the
// station was first heard, and the centre frequency it was heard at. A received
// backspace takes the last character of the over back out of the file, as it does
// from the pane. Every write is flushed at once, so a crash loses nothing.
//
// A write that fails is remembered (failure()) and never thrown: reception goes
// on, and the log tries again at the next over. The clock comes from outside, so
// tests write with exact timestamps. Plain C++; window thread only.

#include "modem/varicode/ReceivedTextPane.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

using UtcTime = std::chrono::system_clock::time_point;

// The time of day in UTC.
class UtcClock {
public:
    virtual ~UtcClock() = default;
    virtual UtcTime now() const = 0;
};

class SystemUtcClock : public UtcClock {
public:
    UtcTime now() const override { return std::chrono::system_clock::now(); }
};

// "HH:MM" of t, in UTC.
std::string UtcHoursMinutes(UtcTime t);

// Decides when an over starts: when the squelch opens after it has been closed for
// at least kQuietBeforeOver. The program's start counts as the squelch closing.
class OverStart {
public:
    static constexpr std::chrono::seconds kQuietBeforeOver{5};

    explicit OverStart(UtcTime programStart) : closedSince_(programStart) {}
    // The squelch's state now; true when this opening starts a new over.
    bool SquelchIs(bool open, UtcTime now);

private:
    bool open_ = false;
    UtcTime closedSince_;
};

class ReceivedTextLog {
public:
    // How many characters of an over a received backspace can still take back.
    static constexpr std::size_t kErasableCharacters = 4096;

    explicit ReceivedTextLog(const UtcClock& clock) : clock_(&clock) {}
    ~ReceivedTextLog();
    ReceivedTextLog(const ReceivedTextLog&) = delete;
    ReceivedTextLog& operator=(const ReceivedTextLog&) = delete;

    void setClock(const UtcClock& clock) { clock_ = &clock; }
    // The folder of the daily files, made when the first line is written.
    void setFolder(const std::filesystem::path& folder);
    const std::filesystem::path& folder() const { return folder_; }
    // Off: nothing is written until it is on again and an over starts.
    void setEnabled(bool on);
    bool enabled() const { return enabled_; }

    // A new line with the time and the centre frequency (Hz).
    void BeginOver(double centreHz);
    // Decoded text (Windows-1252 bytes), appended.
    void Append(const char* text);
    // A received backspace: the over's last character goes.
    void EraseLast();

    // The file written to now (empty before the first write).
    const std::filesystem::path& file() const { return path_; }
    // What went wrong with the first write that failed; empty while all worked.
    const std::string& failure() const { return failure_; }

private:
    bool OpenFor(UtcTime t);
    void Write(const std::string& bytes);
    void WriteHeader(UtcTime t);
    void Fail(const std::string& what);
    void Close();

    const UtcClock* clock_;
    std::filesystem::path folder_;
    bool enabled_ = true;
    std::FILE* file_ = nullptr;
    std::filesystem::path path_;
    std::chrono::sys_days day_{};
    bool atLineStart_ = true;
    bool stopped_ = false;   // a write failed: nothing more until the next over
    double centreHz_ = 0.0;
    std::vector<std::uint8_t> lengths_;  // UTF-8 bytes of each character of the over
    std::string failure_;
};

// The pane the decoder writes to, passing every character on to the window's pane
// and to the log as well.
class LoggedTextPane : public ReceivedTextPane {
public:
    LoggedTextPane(ReceivedTextPane& pane, ReceivedTextLog& log) : pane_(pane), log_(log) {}

    int textLength() const override { return pane_.textLength(); }
    void selectRange(int from, int to) override;
    void deleteSelection() override;
    void replaceSelection(const char* text) override;
    void scrollToCaret() override { pane_.scrollToCaret(); }

private:
    ReceivedTextPane& pane_;
    ReceivedTextLog& log_;
    bool selected_ = false;  // the selection holds a character
};
