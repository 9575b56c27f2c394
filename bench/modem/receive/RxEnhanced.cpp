// SPDX-License-Identifier: GPL-3.0-or-later
// The enhanced receive chain beside the standard one, measured over the whole link:
// the bench text through the transmitter's code path, 32000 -> 8000 samples per
// second, the channel (noise in 2500 Hz, frequency offset, clock error), and the
// receive chain as the receiver runs it (both chains, the chosen one heard, fast
// sync, centre 1000 Hz). Prints Markdown tables for docs/performance.md.
//   rx-enhanced snr|offset|clock|combo|acquisition|after-noise|noise|latency|overs|openings|replies [--seeds N] [--squelch] [--slow] [--drift HZ_PER_S]
// Fixed text and seeds, so every run prints the same.
#include "bench/modem/receive/SensitivityText.h"
#include "modem/receive/ReceiveChain.h"
#include "modem/receive/enhanced/EnhancedDemodulator.h"
#include "modem/transmit/OnAirBits.h"
#include "modem/varicode/VaricodeTable.h"
#include "tools/ModemArgs.h"
#include "tools/ModemChannel.h"
#include "tools/ModemEncode.h"
#include "tools/ModemSensitivity.h"
#include "tools/SampleRateConverter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <limits>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr const char* kBauds[] = {"31", "63", "125", "250", "500"};
// The enhanced chain's 1 % CER points on white noise, rounded (dB, in kBauds' order).
constexpr double kOnePercentSnrs[] = {-11.5, -9, -5.5, -3, 0};
constexpr double kNoNoise = std::numeric_limits<double>::infinity();
constexpr double kTargetCer = 0.01;          // the 1 % point
constexpr double kCerFloor = 0.1 / 500;      // stands for 0 when interpolating on a log scale
constexpr int kPreambleBits = 42;            // 40 ones, "00"
constexpr int kStartValueBits = 1;
constexpr double kLeadInBits = 20;           // silence before each acquisition run
constexpr int kStartPoints = 64;             // across one bit
constexpr std::size_t kFirstWordWithin = 12; // characters of output
constexpr const char* kFirstWord = "Good ";
constexpr double kNoiseSeconds = 60;
constexpr double kNoiseRms[] = {100, 1000, 8000};

struct Chain {
    DemodulatorChoice choice;
    const char* name;
};
constexpr Chain kChains[] = {{DemodulatorChoice::Standard, "standard"}, {DemodulatorChoice::Enhanced, "enhanced"}};

int seeds = 4;
bool squelch = false;
bool slowSync = false;
double driftHzPerSecond = 0;  // of the station through the whole over (--drift)

// The clean transmission at 8000 samples per second, once per speed and text.
const std::vector<double>& clean(const std::string& baud, const std::string& text = kSensitivityText)
{
    static std::map<std::string, std::vector<double>> cache;
    auto& x = cache[baud + "|" + text];
    if (x.empty()) {
        const auto s = convertSampleRate(modem::encodeTransmission(text, modem::samplesPerBitForBaud(baud), modem::kDefaultIdleUnits),
                                         modem::kEncodeSampleRate, kCaptureSampleRate);
        x.assign(s.begin(), s.end());
    }
    return x;
}

std::string receive(const std::vector<std::int16_t>& audio, const std::string& baud, DemodulatorChoice chain)
{
    ReceiverSettings settings;
    settings.tickRate = modem::tickRateForBaud(baud);
    settings.demodulator = chain;
    settings.squelch = squelch;
    if (slowSync)
        settings.timingGain = kSlowSyncGain;
    ReceiveChain receiver(settings);
    receiver.feed(audio.data(), audio.size());
    return receiver.text();
}

double cer(const std::string& received, const std::string& sent = kSensitivityText)
{
    return static_cast<double>(modem::editDistance(sent, received)) / static_cast<double>(sent.size());
}

// Mean CER over the seeds.
double meanCer(const std::string& baud, DemodulatorChoice chain, double snr, double offset, double ppm)
{
    double sum = 0;
    for (int seed = 1; seed <= seeds; ++seed) {
        modem::ChannelOptions channel;
        channel.snrDb = snr;
        channel.offsetHz = offset;
        channel.ppm = ppm;
        channel.driftHzPerSecond = driftHzPerSecond;
        channel.seed = static_cast<std::uint64_t>(seed);
        sum += cer(receive(modem::applyChannel(clean(baud), kCaptureSampleRate, channel), baud, chain));
    }
    return sum / seeds;
}

std::string percent(double x)
{
    char cell[32];
    std::snprintf(cell, sizeof cell, "%.1f %%", 100 * x);
    return cell;
}

// The SNR of 1 % CER on a sweep from low to high SNR, interpolated on log(CER).
std::string onePercentPoint(const std::vector<double>& snrs, const std::vector<double>& cers)
{
    for (std::size_t i = snrs.size(); i-- > 1;) {
        if (cers[i - 1] > kTargetCer && cers[i] <= kTargetCer) {
            const double a = std::log(std::max(cers[i - 1], kCerFloor));
            const double b = std::log(std::max(cers[i], kCerFloor));
            const double snr = snrs[i - 1] + (snrs[i] - snrs[i - 1]) * (a - std::log(kTargetCer)) / (a - b);
            char cell[32];
            std::snprintf(cell, sizeof cell, "%+.1f", snr);
            return cell;
        }
    }
    return cers.back() <= kTargetCer ? "below range" : "never";
}

// The head of a table with one column per speed and chain, after a first column.
void tableHead(const char* firstColumn, const char* firstAlignment)
{
    std::cout << "| " << firstColumn << " |";
    for (const char* baud : kBauds)
        for (const Chain& c : kChains)
            std::cout << ' ' << baud << ' ' << c.name << " |";
    std::cout << '\n' << firstAlignment;
    for (std::size_t i = 0; i < std::size(kBauds) * std::size(kChains); ++i)
        std::cout << "---:|";
    std::cout << '\n';
}

// SNR sweep, both chains, every speed; with offset and ppm for the combined impairment.
void sweep(double offset, double ppm)
{
    const double low = -16, high = 8, step = 1;
    std::vector<double> snrs;
    for (double s = low; s <= high + 1e-9; s += step)
        snrs.push_back(s);
    tableHead("SNR (dB)", "|---:|");
    std::vector<std::vector<double>> table(std::size(kBauds) * std::size(kChains));
    for (double snr : snrs) {
        std::printf("| %+.0f |", snr);
        std::size_t column = 0;
        for (const char* baud : kBauds)
            for (const Chain& c : kChains) {
                // Far below or above the waterfall the cell is known: skip the work.
                auto& col = table[column++];
                const bool settledHigh = col.size() >= 2 && col[col.size() - 1] == 0 && col[col.size() - 2] == 0;
                const double v = settledHigh ? 0.0 : meanCer(baud, c.choice, snr, offset, ppm);
                col.push_back(v);
                std::cout << ' ' << percent(v) << " |";
            }
        std::cout << std::endl;
    }
    std::cout << "| **1 % CER** |";
    for (const auto& col : table)
        std::cout << " **" << onePercentPoint(snrs, col) << "** |";
    std::cout << '\n';
}

// Offset or clock error at a fixed SNR per speed, both chains.
void impairment(bool clock)
{
    const std::vector<double> values = clock ? std::vector<double>{-2000, -500, -100, 0, 100, 500, 2000}
                                             : std::vector<double>{-40, -30, -20, -10, -5, -2, 0, 2, 5, 10, 20, 30, 40};
    struct Point {
        const char* baud;
        double snr;
    };
    const Point points[] = {{"31", -6}, {"125", 0}, {"500", 6}};
    std::cout << (clock ? "| ppm |" : "| offset (Hz) |");
    for (const Point& p : points)
        for (const Chain& c : kChains)
            std::cout << ' ' << p.baud << ' ' << c.name << " |";
    std::cout << "\n|---:|---:|---:|---:|---:|---:|---:|\n";
    for (double v : values) {
        std::printf("| %+.0f |", v);
        for (const Point& p : points)
            for (const Chain& c : kChains)
                std::cout << ' ' << percent(meanCer(p.baud, c.choice, p.snr, clock ? 0 : v, clock ? v : 0)) << " |";
        std::cout << std::endl;
    }
}

// Of 64 starts, j/64 of a bit apart (j = 0..63) after `leadSeconds` and 20 bits of
// lead-in, how many bring the first word of `text` through: within the first 12
// characters printed, or, with junk from noise before the over allowed
// (`afterJunk`), within 12 of where the over's text begins. Noise, when `snrDb` is
// given, runs throughout; its SNR refers to the signal, not to the signal diluted by
// the lead-in.
int intactStarts(const std::string& baud, const Chain& c, const std::string& text, double leadSeconds, double offsetHz,
                 std::optional<double> snrDb, bool afterJunk)
{
    const double perBit = kCaptureSampleRate / (modem::tickRateForBaud(baud) / 16);
    const std::vector<double>& signal = clean(baud, text);
    int intact = 0;
    for (int j = 0; j < kStartPoints; ++j) {
        const auto lead = static_cast<std::size_t>(
            std::lround(leadSeconds * kCaptureSampleRate + (kLeadInBits + j / double(kStartPoints)) * perBit));
        std::vector<double> x(lead, 0.0);
        x.insert(x.end(), signal.begin(), signal.end());
        modem::ChannelOptions channel;
        channel.offsetHz = offsetHz;
        channel.seed = static_cast<std::uint64_t>(j + 1);
        if (snrDb)
            channel.snrDb = *snrDb - 10 * std::log10(double(x.size()) / double(signal.size()));
        const std::string out = receive(modem::applyChannel(x, kCaptureSampleRate, channel), baud, c.choice);
        // The over's text is the last text.size() characters or so of the output.
        const std::size_t from = afterJunk && out.size() > text.size() + 4 ? out.size() - text.size() - 4 : 0;
        const bool ok = out.substr(from, kFirstWordWithin + (afterJunk ? 4 : 0)).find(kFirstWord) != std::string::npos;
        intact += ok;
        if (!ok && std::getenv("RX_SHOW"))
            std::cerr << baud << ' ' << c.name << " j=" << j << ": [" << out << "]\n";
    }
    return intact;
}

// First word intact after a lead-in of 20 + j/64 bits, j = 0..63.
void acquisition()
{
    const std::string text = "Good evening and thanks for the call.";
    const double snrs[] = {-6, -3, 0, 3, 6};
    struct Condition {
        const char* name;
        bool noisy;
        double offset;
    };
    const Condition conditions[] = {{"clean, silent lead-in", false, 0}, {"clean, +7 Hz", false, 7},
                                    {"noise throughout", true, 0}, {"noise throughout, +7 Hz", true, 7}};
    tableHead("condition", "|---|");
    for (const Condition& cond : conditions) {
        std::cout << "| " << cond.name << " |";
        for (std::size_t b = 0; b < std::size(kBauds); ++b)
            for (const Chain& c : kChains)
                std::cout << ' '
                          << intactStarts(kBauds[b], c, text, 0, cond.offset,
                                          cond.noisy ? std::optional<double>(snrs[b]) : std::nullopt, false)
                          << "/64 |" << std::flush;
        std::cout << '\n';
    }
    std::cout << "\nNoise at " << snrs[0] << " / " << snrs[1] << " / " << snrs[2] << " / " << snrs[3] << " / " << snrs[4]
              << " dB (31 / 63 / 125 / 250 / 500 baud).\n";
}

// The first word of an over that starts after 10 s of noise (and 20 + j/64 bits),
// at each speed's 1 % CER point + 3 dB, and a strong station 20 dB above that
// point, noise throughout. What was printed before the over (junk from the
// noise) does not count against it.
void afterNoise()
{
    const std::string text = "Good evening and thanks for the call.";
    const double snrs[] = {-9.1, -5.9, -2.6, 0.0, +3.0};
    constexpr double kNoiseFirstSeconds = 10;
    constexpr double kStrongDb = 17;  // above the 1 % point + 3 dB
    tableHead("condition", "|---|");
    for (const double up : {0.0, kStrongDb}) {
        std::printf("| 10 s of noise first, 1 %% point + %.0f dB |", 3 + up);
        for (std::size_t b = 0; b < std::size(kBauds); ++b)
            for (const Chain& c : kChains)
                std::cout << ' ' << intactStarts(kBauds[b], c, text, kNoiseFirstSeconds, 0, snrs[b] + up, true) << "/64 |"
                          << std::flush;
        std::cout << '\n';
    }
    std::cout << "\nSNR " << snrs[0] << " / " << snrs[1] << " / " << snrs[2] << " / " << snrs[3] << " / " << snrs[4]
              << " dB (31 / 63 / 125 / 250 / 500 baud; " << kStrongDb << " dB more in the second row), 10 s of noise before the over.\n";
}

// Characters printed from 60 s of white noise alone.
void noiseOnly()
{
    tableHead("noise RMS", "|---:|");
    for (double rms : kNoiseRms) {
        std::mt19937_64 generator(1);
        std::normal_distribution<double> noise(0.0, rms);
        std::vector<std::int16_t> x(static_cast<std::size_t>(kNoiseSeconds * kCaptureSampleRate));
        for (auto& s : x)
            s = static_cast<std::int16_t>(std::clamp(std::nearbyint(noise(generator)), -32768.0, 32767.0));
        std::printf("| %.0f |", rms);
        for (const char* baud : kBauds)
            for (const Chain& c : kChains)
                std::cout << ' ' << receive(x, baud, c.choice).size() << " |" << std::flush;
        std::cout << '\n';
    }
}

const std::string kFirstOver = "Good evening and thanks for the call. ";
const std::string kSecondOver = "Your signal is steady here, 73.";

// The first over, gapSeconds of silence, and the second over replyHz above the
// first, through white noise of seed at the SNR of the two overs' sound.
std::vector<std::int16_t> twoOversHeard(const std::string& baud, double gapSeconds, double replyHz, double snr, int seed)
{
    const std::vector<double>& a = clean(baud, kFirstOver);
    const std::vector<double>& c = clean(baud, kSecondOver);
    std::vector<double> x(a);
    x.insert(x.end(), static_cast<std::size_t>(gapSeconds * kCaptureSampleRate), 0.0);
    modem::ChannelOptions shift;
    shift.offsetHz = replyHz;
    const std::vector<std::int16_t> reply = modem::applyChannel(c, kCaptureSampleRate, shift);
    x.insert(x.end(), reply.begin(), reply.end());
    modem::ChannelOptions channel;
    channel.seed = static_cast<std::uint64_t>(seed);
    channel.snrDb = snr - 10 * std::log10(double(x.size()) / double(a.size() + c.size()));
    return modem::applyChannel(x, kCaptureSampleRate, channel);
}

// Two overs with 10 s of noise between them, at each speed's 1 % CER point of the
// enhanced chain, 3 dB above it and 20 dB above it (a strong station): the edit
// distance of what was printed from the two texts (from 3 dB up, where the texts
// themselves come through, that is the junk printed between and around them).
void twoOvers()
{
    constexpr double kGapSeconds = 10;
    constexpr double kMargins[] = {0, 3, 20};  // dB above the 1 % point
    std::cout << "| speed | SNR (dB) | standard: extra characters | enhanced: extra characters |\n|---|---:|---:|---:|\n";
    for (std::size_t row = 0; row < std::size(kMargins) * std::size(kBauds); ++row) {
        const std::size_t b = row / std::size(kMargins);
        const double snr = kOnePercentSnrs[b] + kMargins[row % std::size(kMargins)];
        const std::string baud = kBauds[b];
        std::printf("| %s baud | %+.1f |", baud.c_str(), snr);
        for (const Chain& ch : kChains) {
            double extra = 0;
            for (int seed = 1; seed <= seeds; ++seed) {
                const std::string out = receive(twoOversHeard(baud, kGapSeconds, 0, snr, seed), baud, ch.choice);
                extra += static_cast<double>(modem::editDistance(kFirstOver + kSecondOver, out));
                if (std::getenv("RX_SHOW"))  // what was printed, on standard error
                    std::cerr << baud << " " << ch.name << ": [" << out << "]\n";
            }
            std::printf(" %.1f |", extra / seeds);
        }
        std::cout << std::endl;
    }
}

// A reply from another station a few hertz from the first, after a short gap, at
// 31 baud and 0 dB (12 dB above the 1 % point; the other station's reply is
// rarely on the same frequency): of `seeds` pairs, how many print the reply's
// first words ("Your signal"), and the characters beyond the two texts. Then a
// reply on the same frequency soon after, at every speed, 6 and 12 dB above its
// 1 % point, read by each chain: how many print the first words.
void replies()
{
    const std::string baud = "31";
    constexpr double kSnr = 0;
    const double gaps[] = {2, 5, 10};
    const double offsets[] = {0, 7, 15, -25};
    std::cout << "| gap | reply 0 Hz | reply +7 Hz | reply +15 Hz | reply -25 Hz |\n|---:|---:|---:|---:|---:|\n";
    for (const double gap : gaps) {
        std::printf("| %.0f s |", gap);
        for (const double offset : offsets) {
            int firstWords = 0;
            double extra = 0;
            for (int seed = 1; seed <= seeds; ++seed) {
                const std::string out = receive(twoOversHeard(baud, gap, offset, kSnr, seed), baud, DemodulatorChoice::Enhanced);
                firstWords += out.find("Your signal") != std::string::npos;
                extra += static_cast<double>(modem::editDistance(kFirstOver + kSecondOver, out));
            }
            std::printf(" %d/%d, %.1f |", firstWords, seeds, extra / seeds);
        }
        std::cout << std::endl;
    }
    std::cout << "\n| speed | 1 s, +6 dB: standard / enhanced | 2 s, +6 dB | 1 s, +12 dB | 2 s, +12 dB |\n|---|---:|---:|---:|---:|\n";
    for (std::size_t b = 0; b < std::size(kBauds); ++b) {
        std::printf("| %s baud |", kBauds[b]);
        for (const double margin : {6.0, 12.0})
            for (const double gap : {1.0, 2.0}) {
                int firstWords[std::size(kChains)] = {};
                for (int seed = 1; seed <= seeds; ++seed)
                    for (std::size_t k = 0; k < std::size(kChains); ++k)
                        firstWords[k] += receive(twoOversHeard(kBauds[b], gap, 0, kOnePercentSnrs[b] + margin, seed), kBauds[b],
                                                 kChains[k].choice)
                                             .find("Your signal") != std::string::npos;
                std::printf(" %d / %d |", firstWords[0], firstWords[1]);
            }
        std::cout << std::endl;
    }
}

// Text pane that notes the sample at which each character arrives.
class TimedPane : public StringTextPane {
public:
    void replaceSelection(const char* text) override
    {
        StringTextPane::replaceSelection(text);
        for (const char* p = text; *p; ++p)
            arrivals.push_back(sample);
    }
    std::int64_t sample = 0;
    std::vector<std::int64_t> arrivals;
};

// Overs whose opening is misread: at 31 baud, of `seeds` short overs (noise seeds
// 1 to N) at -12 and -11.5 dB, how many read more than 6 of the first 300 bits of
// text after the preamble wrong (a coherent receiver expects about one there; a
// bit grid that slips, or a carrier loop that walks off, misreads tens). The text
// is found among the enhanced chain's decisions where its first 40 bits fit best.
void openings()
{
    struct Decisions : BitDecisionSink {
        void DecideBit(Real d) override { bits.push_back(d > 0 ? 1 : 0); }
        std::vector<int> bits;
    };
    const std::string text = "Good evening and thanks for the call. Your signal is steady here with a little fading";
    constexpr std::size_t kBits = 300, kAnchorBits = 40, kSearched = 100;
    constexpr int kMostWrong = 6;
    // From the preamble's "00" on: the start value, each code word and its "00".
    const std::vector<int> all = onAirBits(text, 0);
    const std::vector<int> sent(all.begin() + (kPreambleBuffers - kPreambleTrailingZeros), all.end());
    const std::vector<double>& signal = clean("31", text);
    std::cout << "| SNR (dB) | overs | openings misread |\n|---:|---:|---:|\n";
    for (const double snr : {-12.0, -11.5}) {
        int misread = 0;
        for (int seed = 1; seed <= seeds; ++seed) {
            modem::ChannelOptions channel;
            channel.snrDb = snr;
            channel.seed = static_cast<std::uint64_t>(seed);
            const auto audio = modem::applyChannel(signal, kCaptureSampleRate, channel);
            ReceiverSettings settings;
            settings.tickRate = modem::tickRateForBaud("31");
            Decisions d;
            EnhancedDemodulator chain(settings, d, nullptr);
            for (const std::int16_t x : audio)
                chain.DemodulateSample(x);
            const auto wrongFrom = [&](std::size_t at, std::size_t count) {
                int wrong = 0;
                for (std::size_t k = 0; k < count; ++k)
                    wrong += at + k >= d.bits.size() || d.bits[at + k] != sent[k];
                return wrong;
            };
            std::size_t start = 0;
            for (std::size_t at = 1; at < kSearched; ++at)
                if (wrongFrom(at, kAnchorBits) < wrongFrom(start, kAnchorBits))
                    start = at;
            misread += wrongFrom(start, kBits) > kMostWrong;
        }
        std::printf("| %+.1f | %d | %d |\n", snr, seeds, misread);
    }
}

// How long after its separator's last bit each character of a clean signal prints.
void latency()
{
    std::cout << "| speed | standard: mean | standard: max | enhanced: mean | enhanced: max |\n|---|---:|---:|---:|---:|\n";
    const std::string text = kSensitivityText;
    for (const char* baud : kBauds) {
        const double perBit = kCaptureSampleRate / (modem::tickRateForBaud(baud) / 16);
        const std::vector<double>& x = clean(baud);
        std::vector<std::int16_t> audio(x.begin(), x.end());
        // Bit at which each character's separator ends.
        std::vector<double> ends;
        double bit = kPreambleBits + kStartValueBits;
        for (char ch : text) {
            bit += static_cast<double>(VaricodeTable::codeFor(static_cast<std::uint8_t>(ch)).size() + varicode::kSeparator.size());
            ends.push_back(bit);
        }
        std::cout << "| " << baud << " baud |";
        for (const Chain& c : kChains) {
            ReceiverSettings settings;
            settings.tickRate = modem::tickRateForBaud(baud);
            settings.demodulator = c.choice;
            TimedPane pane;
            VaricodeDecoder decoder(pane);
            ReceiveDemodulator demodulator(settings, decoder, nullptr);
            for (std::int16_t s : audio) {
                demodulator.DemodulateSample(s);
                ++pane.sample;
            }
            double sum = 0, worst = 0;
            const std::size_t n = std::min(pane.arrivals.size(), ends.size());
            for (std::size_t i = 0; i < n; ++i) {
                const double late = static_cast<double>(pane.arrivals[i]) / perBit - ends[i];
                sum += late;
                worst = std::max(worst, late);
            }
            std::printf(" %.1f bits | %.1f bits |", n ? sum / static_cast<double>(n) : 0.0, worst);
            if (pane.text() != text)
                std::cout << " (text differs)";
        }
        std::cout << '\n';
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::cerr << "usage: rx-enhanced snr|offset|clock|combo|acquisition|after-noise|noise|latency|overs|openings|replies [--seeds N] [--squelch] [--slow] [--drift HZ_PER_S]\n";
        return 2;
    }
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--seeds") == 0 && i + 1 < argc)
            seeds = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--squelch") == 0)
            squelch = true;
        else if (std::strcmp(argv[i], "--slow") == 0)
            slowSync = true;
        else if (std::strcmp(argv[i], "--drift") == 0 && i + 1 < argc)
            driftHzPerSecond = std::atof(argv[++i]);
    }
    const std::string mode = argv[1];
    if (mode == "snr")
        sweep(0, 0);
    else if (mode == "combo")
        sweep(7, -300);
    else if (mode == "offset")
        impairment(false);
    else if (mode == "clock")
        impairment(true);
    else if (mode == "acquisition")
        acquisition();
    else if (mode == "after-noise")
        afterNoise();
    else if (mode == "noise")
        noiseOnly();
    else if (mode == "latency")
        latency();
    else if (mode == "overs")
        twoOvers();
    else if (mode == "openings")
        openings();
    else if (mode == "replies")
        replies();
    else
        return 2;
    return 0;
}
