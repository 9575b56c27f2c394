// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Another keyboard station on the band: the same kind of signal at the same speed
// with text of its own, phase-continuous tones centred offsetHz away from the
// wanted station's 1000 Hz. It opens with the usual preamble at the first sample
// and then types its text over and over, so it is on the air the whole time.

#include <cstdint>
#include <string_view>

namespace modem {

class SecondStation {
public:
    // What the other operator types, again and again.
    static constexpr std::string_view kText =
        "CQ CQ CQ de the other station, the other station, pse k. "
        "Rig here runs 50 watts to a dipole at 12 metres; wx is cold and wet. ";

    // rate: samples per second; samplesPerBit: the speed as samples per bit at
    // 32000 samples per second (one of the transmitter's five); peak: amplitude.
    SecondStation(int rate, int samplesPerBit, double offsetHz, double peak);
    double step();

private:
    int nextBit();

    double rate_;
    double peak_;
    double lowerHz_, upperHz_;   // the tones for a 1 and a 0 bit
    double samplesPerBit_;       // at rate, may be fractional
    double intoBit_ = 0.0;       // samples of the current bit already made
    double cycles_ = 0.0;        // the tone's phase, in cycles (0..1)
    double cyclesPerSample_;     // of the current bit's tone
    int preambleLeft_;           // preamble bits still to send
    std::size_t character_ = 0;  // of kText
    std::string_view word_;      // the rest of the current code word
    int separatorLeft_ = 0;      // bits of the "00" after it still to send
};

}  // namespace modem
