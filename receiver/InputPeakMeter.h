// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The receiver's input level: the highest sample magnitude since the window last
// looked, in dB below full scale (dBFS). A peak at or above kClipWarningDbfs
// means the radio's audio or the capture level is set too high: the sound card
// is at or near the point where it clips the tops of the signal off, which
// spreads it over the band and garbles what the demodulators see.
// Window thread: addSample() for every recorded sample, takePeakDbfs() at the
// display's pace. Plain C++.

#include <cstdint>

class InputPeakMeter {
public:
    static constexpr double kFullScale = 32768.0;       // magnitude of the most negative 16-bit sample
    static constexpr double kClipWarningDbfs = -1.0;     // dBFS; shown red from here
    static constexpr double kSilenceDbfs = -1000.0;      // what a window of zeros reads

    void addSample(std::int16_t x)
    {
        const int magnitude = x < 0 ? -static_cast<int>(x) : x;
        if (magnitude > peak_)
            peak_ = magnitude;
    }
    // The peak since the last call, in dBFS (kSilenceDbfs for nothing but
    // zeros), and a new window begins.
    double takePeakDbfs();
    static bool isClipping(double dbfs) { return dbfs >= kClipWarningDbfs; }

private:
    int peak_ = 0;  // largest magnitude in this window, 0..32768
};
