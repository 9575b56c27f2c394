// SPDX-License-Identifier: GPL-3.0-or-later
// What goes on the air must not depend on the system the transmitter runs on: the
// samples a freshly started transmitter plays for a fixed text, at every speed,
// are compared through a 64-bit FNV-1a hash of their little-endian bytes with the
// same literal on Linux and on Windows (mingw-w64, under Wine).
//
// The literals were computed on Linux and checked independently there: msk-modem
// encode --baud B writes the same samples as raw 16-bit little-endian bytes to
// standard output, and Python's FNV-1a over those bytes gives the same numbers:
//   msk-modem encode --baud 31 "$(printf 'cq cq de TEST ...\npse k')" |
//     python3 -c 'import sys; h=0xcbf29ce484222325
//     for b in sys.stdin.buffer.read(): h=((h^b)*0x100000001b3)%2**64
//     print(hex(h))'

#include "modem/transmit/KeyingEnvelope.h"
#include "modem/transmit/MskSynthesizer.h"
#include "modem/transmit/TransmitPreamble.h"
#include "modem/transmit/TxBitQueue.h"
#include "modem/varicode/VaricodeTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

// The entry text as the entry holds it: line ends as CR LF.
constexpr std::string_view kText = "cq cq de TEST The quick brown fox jumps over the lazy dog 0123456789 +?\r\npse k";
constexpr int kIdleUnits = 2;  // after the text, as msk-modem encode ends by default

class FixedText : public TxTextSource {
public:
    std::int64_t length() const override { return static_cast<std::int64_t>(kText.size()); }
    std::uint8_t byteAt(std::int64_t i) const override { return static_cast<std::uint8_t>(kText[static_cast<std::size_t>(i)]); }
};

class NoStatus : public TxStatusSink {
public:
    void setStatusText(const std::string&) override {}
};

enum class Edges { None, Keyed };

// A fresh transmitter: the preamble, the start value 0, every bit of the text (a
// typed CR goes out as a space) and the idle units; keyed, under the rise and
// followed by the fall, as it goes on the air.
std::vector<std::int16_t> transmission(int samplesPerBit, Edges edges = Edges::None)
{
    FixedText text;
    NoStatus status;
    TxBitQueue queue(text, status);
    MskSynthesizer synthesizer;
    synthesizer.setSamplesPerBit(samplesPerBit);

    std::size_t requests = 1;
    for (char c : kText) {
        const auto byte = static_cast<std::uint8_t>(c);
        requests += VaricodeTable::codeFor(byte == varicode::kCarriageReturn ? varicode::kSpace : byte).size() +
                    varicode::kSeparator.size();
    }
    requests += kIdleUnits * (VaricodeTable::codeFor(varicode::kIdleCharacter).size() + varicode::kSeparator.size());

    const auto perBit = static_cast<std::size_t>(samplesPerBit);
    const std::size_t fall = edges == Edges::Keyed ? keying::kEdgeSamples : 0;
    std::vector<std::int16_t> samples((kPreambleBuffers + requests) * perBit + fall);
    std::int16_t* out = samples.data();
    if (edges == Edges::Keyed)
        synthesizer.startRise();
    for (int i = 0; i < kPreambleBuffers; ++i, out += perBit)
        synthesizer.fillBit(out, preambleBit(i));
    for (std::size_t i = 0; i < requests; ++i, out += perBit)
        synthesizer.fillBit(out, queue.nextBit());
    if (edges == Edges::Keyed)
        synthesizer.fillFall(out, synthesizer.toneState());
    return samples;
}

std::uint64_t fnv1a(const std::vector<std::int16_t>& samples)
{
    std::uint64_t h = 0xcbf29ce484222325u;
    for (std::int16_t s : samples) {
        const auto u = static_cast<std::uint16_t>(s);
        for (unsigned byte : {u & 0xFFu, static_cast<unsigned>(u >> 8)}) {
            h ^= byte;
            h *= 0x100000001b3u;
        }
    }
    return h;
}

}  // namespace

TEST(TransmitSamples, AreTheSameOnEverySystemAtEverySpeed)
{
    struct Expected {
        int samplesPerBit;
        std::size_t samples;
        std::uint64_t hash;
    };
    // 42 preamble bits, the start value, 561 bits of text and 2 idle units of 12
    // bits: 628 bits, 628 x 1024 = 643072 samples at 31 baud.
    const Expected expected[] = {
        {1024, 643072, 0x18386913fb8a81eau},
        {512, 321536, 0x00137b97cac0594eu},
        {256, 160768, 0x8aa1093cd2df3a7cu},
        {128, 80384, 0x3bfc32923aedca40u},
        {64, 40192, 0xb77d61647c567900u},
    };
    for (const Expected& e : expected) {
        const auto samples = transmission(e.samplesPerBit);
        EXPECT_EQ(samples.size(), e.samples) << e.samplesPerBit;
        EXPECT_EQ(fnv1a(samples), e.hash) << e.samplesPerBit;
    }
}

// The over as it goes on the air differs from the plain bits above only in its
// first 160 samples (the rise) and the 160 after the last bit (the fall): 643072 +
// 160 = 643232 samples at 31 baud. The literals come from msk-modem encode as in
// the note at the top.
TEST(TransmitSamples, OnTheAirTheEdgesChangeOnlyTheFirstAndAddTheLast5Milliseconds)
{
    struct Expected {
        int samplesPerBit;
        std::size_t samples;
        std::uint64_t hash;
    };
    const Expected expected[] = {
        {1024, 643232, 0xe1266530e2070d62u},
        {512, 321696, 0xd2f7902538854797u},
        {256, 160928, 0x7f182f4121af31a3u},
        {128, 80544, 0x2938b23a212d02e6u},
        {64, 40352, 0x716d2976719b42a3u},
    };
    for (const Expected& e : expected) {
        const auto keyed = transmission(e.samplesPerBit, Edges::Keyed);
        EXPECT_EQ(keyed.size(), e.samples) << e.samplesPerBit;
        EXPECT_EQ(fnv1a(keyed), e.hash) << e.samplesPerBit;
        const auto plain = transmission(e.samplesPerBit);
        ASSERT_EQ(keyed.size(), plain.size() + keying::kEdgeSamples);
        EXPECT_TRUE(std::equal(plain.begin() + keying::kEdgeSamples, plain.end(), keyed.begin() + keying::kEdgeSamples))
            << e.samplesPerBit;
    }
}
