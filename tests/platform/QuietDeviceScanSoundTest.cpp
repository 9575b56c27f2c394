// SPDX-License-Identifier: GPL-3.0-or-later
// Opening the sound devices as "Turn On" and "Start" do, through the private
// sound server: PortAudio's device scan must leave standard error empty (ALSA and
// JACK printed some eighty lines per open about devices the machine never had).

#include "platform/PortAudioInputDevice.h"
#include "platform/PortAudioOutputDevice.h"
#include "tests/platform/CaptureLog.h"
#include "tests/platform/OutputLog.h"
#include "tests/platform/TurnEventLoop.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#if defined(__unix__) || defined(__APPLE__)
#include <unistd.h>

namespace {

// Standard error, file descriptor 2 itself, into a file while it lives: the
// sound libraries write there directly, not through std::cerr.
class StandardErrorCapture {
public:
    StandardErrorCapture() : file_(std::tmpfile()), saved_(::dup(2))
    {
        std::fflush(stderr);
        if (file_ != nullptr)
            ::dup2(::fileno(file_), 2);
    }
    ~StandardErrorCapture()
    {
        restore();
        if (file_ != nullptr)
            std::fclose(file_);
    }
    StandardErrorCapture(const StandardErrorCapture&) = delete;
    StandardErrorCapture& operator=(const StandardErrorCapture&) = delete;

    // Puts standard error back and returns what was written meanwhile.
    std::string take()
    {
        restore();
        std::string text;
        if (file_ == nullptr)
            return text;
        std::rewind(file_);
        for (int c; (c = std::fgetc(file_)) != EOF;)
            text += static_cast<char>(c);
        return text;
    }

private:
    void restore()
    {
        if (saved_ < 0)
            return;
        std::fflush(stderr);
        ::dup2(saved_, 2);
        ::close(saved_);
        saved_ = -1;
    }
    std::FILE* file_;
    int saved_;
};

TEST(QuietDeviceScan, OpeningTheDevicesPrintsNothing)
{
    StandardErrorCapture capture;
    PortAudioOutputDevice output;
    OutputLog outputLog;
    const bool outputOpened = output.open(32000, outputLog);
    output.close();
    PortAudioInputDevice input;
    CaptureLog inputLog;
    const int inputResult = input.open(8000, inputLog);
    input.close();
    turnEventLoopFor(50);
    const std::string printed = capture.take();

    ASSERT_TRUE(outputOpened) << output.lastErrorText();
    ASSERT_EQ(inputResult, 0) << input.errorText(inputResult);
    EXPECT_EQ(printed, "");
}

}  // namespace
#endif
