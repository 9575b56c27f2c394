// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The tone synthesiser: one bit becomes one bit period of a phase-continuous sine
// at 32000 samples per second. A 1 bit is the tone below 1000 Hz, a 0 bit the tone
// above; at 125 baud and faster the shift is half the bit rate (MSK).
//
// The phase is never reset: every bit, every transmission and every change of
// speed continues the waveform where the last sample left it.
//
// Beside the bits: a transmission may open with the raised-cosine rise of
// KeyingEnvelope.h and close with its fall, and the drive level scales the whole
// signal. At full drive and outside the rise the samples are exactly those of the
// plain synthesiser.
// Runs on the window thread only.

#include <array>
#include <cstdint>

struct TxMode {
    int optionId;        // the window's radio button
    const char* label;   // its caption
    int samplesPerBit;   // at 32000 samples per second
    float toneForOne;    // Hz, below the centre
    float toneForZero;   // Hz, above the centre
};

// The five speeds, slowest first. At 31 and 63 baud the tones sit 7.5625 and
// 15.125 Hz from 1000 Hz, a little less than a quarter of the bit rate.
inline constexpr std::array<TxMode, 5> kTxModes = {{
    {2000, "31 baud", 1024, 992.4375f, 1007.5625f},
    {2001, "63 baud", 512, 984.875f, 1015.125f},
    {2002, "125 baud", 256, 968.75f, 1031.25f},
    {2003, "250 baud", 128, 937.5f, 1062.5f},
    {2004, "500 baud", 64, 875.0f, 1125.0f},
}};

class MskSynthesizer {
public:
    static constexpr int kSampleRate = 32000;        // samples per second
    static constexpr double kAmplitude = 15000.0;    // peak, about 46 % of full scale
    static constexpr int kMaxSamplesPerBit = 1024;   // 31 baud: the largest buffer a bit needs
    static constexpr int kStartSamplesPerBit = 1024; // 31 baud at program start

    // Writes exactly samplesPerBit() samples of the tone for this bit: 0 selects the
    // upper tone, any other value the lower one.
    void fillBit(std::int16_t* buffer, int bit);

    // The current speed. Only the five counts of kTxModes are taken; any other is
    // ignored, so a fill never writes more than kMaxSamplesPerBit samples.
    void setSamplesPerBit(int samples);
    int samplesPerBit() const { return samplesPerBit_; }

    double phase() const { return phase_; }  // radians, of the next sample
    float tone() const { return tone_; }     // Hz, of the last bit written

    // Where a bit left the waveform: the phase of the sample after it and its tone.
    struct ToneState {
        double phase = 0.0;  // radians
        float tone = 0.0f;   // Hz
    };
    ToneState toneState() const { return {phase_, tone_}; }

    // The next keying::kEdgeSamples samples written by fillBit rise from silence.
    void startRise();
    // Writes keying::kEdgeSamples samples: the tone of `after` continued from its
    // phase under the falling half, to end an over without a click. The
    // synthesiser's own phase does not move, so the next transmission starts where
    // the last bit left it, as without the fall.
    void fillFall(std::int16_t* buffer, const ToneState& after) const;

    // The drive level: a gain of at most 1 on every sample (1 = full drive, the
    // peak kAmplitude). Other values are ignored.
    void setDriveGain(double gain);
    double driveGain() const { return amplitude_ / kAmplitude; }

private:
    int samplesPerBit_ = kStartSamplesPerBit;
    double phase_ = 0.0;
    float tone_ = 0.0f;
    double phaseStep_ = 0.0;
    double amplitude_ = kAmplitude;  // peak, after the drive level
    int riseAt_ = -1;                // sample of the rise written next; -1 outside it
};
