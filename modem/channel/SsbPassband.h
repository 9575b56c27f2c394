// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The receiving radio's SSB filter: 300 to 2700 Hz, a 4th-order Butterworth
// high-pass and an 8th-order Butterworth low-pass as cascaded biquads (bilinear
// transform, corner frequencies prewarped). Like a crystal filter it is causal and
// its delay varies near the edges. At rates too low to hold 2700 Hz the low-pass
// is left out.

#include <vector>

namespace modem {

class SsbPassband {
public:
    static constexpr double kLowEdgeHz = 300.0;
    static constexpr double kHighEdgeHz = 2700.0;
    static constexpr int kHighPassOrder = 4;
    static constexpr int kLowPassOrder = 8;

    explicit SsbPassband(int rate);
    double step(double x);

private:
    struct Biquad {
        double b0, b1, b2, a1, a2;  // a0 = 1
        double s1 = 0.0, s2 = 0.0;  // transposed direct form II state
        double step(double x)
        {
            const double y = b0 * x + s1;
            s1 = b1 * x - a1 * y + s2;
            s2 = b2 * x - a2 * y;
            return y;
        }
    };
    std::vector<Biquad> sections_;
};

}  // namespace modem
