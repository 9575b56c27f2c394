// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An unmodulated carrier on the band (a tuning-up station, a birdie): a steady
// sine of the given frequency and RMS level.

namespace modem {

class SteadyCarrier {
public:
    SteadyCarrier(int rate, double frequencyHz, double rms);
    double step();

private:
    double peak_;
    double cyclesPerSample_;
    double cycles_ = 0.0;  // 0..1
};

}  // namespace modem
