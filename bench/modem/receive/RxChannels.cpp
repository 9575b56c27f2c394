// SPDX-License-Identifier: GPL-3.0-or-later
// Both receive chains on the channels of a real HF band: sky-wave fading, drift, a
// second station, a carrier, impulse noise, the radio's SSB passband and AGC. The
// bench text (515 characters; twice at 125 baud, four times at 500, so that every
// over lasts 25 to 100 s) goes through the transmitter's code path, 32000 -> 8000
// samples per second, 2 s of silence each side, msk-modem's channel, and each
// chain on its own (fast sync, centre 1000 Hz, squelch off). CER is the edit
// distance of the text against the best-matching stretch of what was printed
// (junk before and after it is free), over the text's length. SNR is the clean
// over's mean square (not counting the silence) against the noise in 2500 Hz; with
// fading it is the average SNR. Prints Markdown tables for docs/performance.md.
//   rx-channels fading|impairments|all|bound [--baud 31|125|500] [--seeds N] [--only NAME] [--squelch]
// --squelch reads each chain through the receiver's whole chain with the squelch on.
// Beside the chains, each fading row gives the bound no receiver can beat on the same
// fades: a coherent receiver told the channel (see knownChannelCer); `rx-channels
// bound` prints that column alone, cheaply enough for many seeds.
// Fixed texts and seeds, so every run prints the same.
#include "bench/modem/receive/SensitivityText.h"
#include "modem/receive/ReceiveChain.h"
#include "modem/receive/ReceiverSettings.h"
#include "modem/receive/StringTextPane.h"
#include "modem/receive/enhanced/EnhancedDemodulator.h"
#include "modem/channel/FrequencyShifter.h"
#include "modem/channel/WattersonFading.h"
#include "modem/receive/standard/MskDemodulator.h"
#include "modem/transmit/OnAirBits.h"
#include "modem/varicode/VaricodeDecoder.h"
#include "tools/ModemArgs.h"
#include "tools/ModemChannel.h"
#include "tools/ModemEncode.h"
#include "tools/SampleRateConverter.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <iostream>
#include <map>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr double kSilenceSeconds = 2.0;  // each side of the over
constexpr double kSnrStepDb = 3.0;
constexpr double kBoundStepDb = 1.0;     // the known-channel bound costs little: a finer grid
constexpr int kBoundDrawsPerFade = 8;    // noise draws for each seed's fades
constexpr double kCerFloor = 0.1 / 515;  // stands for 0 when interpolating on a log scale
// The white-noise 1 % points of the enhanced chain (31 / 125 / 500 baud), and the
// margin above them at which the impairments are measured.
constexpr double kMarginDb = 7.0;
constexpr double kHighSnrDb = 20.0;

struct Speed {
    const char* baud;
    int repeats;           // of the bench text in one over
    double lowestSnrDb;    // of the fading sweep
    double highestSnrDb;   // where the floor is read
    double whiteNoiseOnePercentDb;
    // Coherent MSK averaged over quasi-static Rayleigh fading (and on white noise
    // alone): the SNR for 10 % and 1 % CER, from the prototype's theory model.
    double rayleighTheory10, rayleighTheory1, whiteTheory10, whiteTheory1;
};
constexpr Speed kSpeeds[] = {
    {"31", 1, -15.0, 30.0, -12.1, -8.5, 1.8, -14.8, -12.2},
    {"125", 2, -9.0, 36.0, -5.6, -2.5, 7.8, -8.8, -6.2},
    {"500", 4, -3.0, 42.0, 0.0, 3.5, 13.8, -2.8, -0.2},
};

int seeds = 3;
bool squelch = false;
std::string onlyBaud;
std::string onlyCase;

std::string benchText(const Speed& speed)
{
    std::string text = kSensitivityText;
    for (int i = 1; i < speed.repeats; ++i)
        text += std::string(" ") + kSensitivityText;
    return text;
}

// The over at 8000 samples per second with its silence, once per speed.
struct Over {
    std::string text;
    std::vector<double> samples;
    double overShare;  // of the recording's length, for the SNR of the over alone
};
const Over& over(const Speed& speed)
{
    static std::map<std::string, Over> cache;
    Over& o = cache[speed.baud];
    if (o.samples.empty()) {
        o.text = benchText(speed);
        const auto sent = convertSampleRate(
            modem::encodeTransmission(o.text, modem::samplesPerBitForBaud(speed.baud), modem::kDefaultIdleUnits),
            modem::kEncodeSampleRate, kCaptureSampleRate);
        const auto silence = static_cast<std::size_t>(kSilenceSeconds * kCaptureSampleRate);
        o.samples.assign(silence, 0.0);
        o.samples.insert(o.samples.end(), sent.begin(), sent.end());
        o.samples.insert(o.samples.end(), silence, 0.0);
        o.overShare = static_cast<double>(sent.size()) / static_cast<double>(o.samples.size());
    }
    return o;
}

// Edit distance of the text against the best-matching stretch of the output.
std::size_t infixEditDistance(const std::string& text, const std::string& printed)
{
    std::vector<std::size_t> row(printed.size() + 1, 0), next(printed.size() + 1);
    for (std::size_t i = 1; i <= text.size(); ++i) {
        next[0] = i;
        for (std::size_t j = 1; j <= printed.size(); ++j)
            next[j] = std::min({row[j] + 1, next[j - 1] + 1, row[j - 1] + (text[i - 1] == printed[j - 1] ? 0 : 1)});
        std::swap(row, next);
    }
    return *std::min_element(row.begin(), row.end());
}

// The CER of each chain on one recording.
struct Pair {
    double standard = 0, enhanced = 0;
};
Pair readBoth(const std::vector<std::int16_t>& audio, const Speed& speed, const std::string& text)
{
    ReceiverSettings settings;
    settings.tickRate = modem::tickRateForBaud(speed.baud);
    const auto cer = [&](const std::string& printed) {
        return static_cast<double>(infixEditDistance(text, printed)) / static_cast<double>(text.size());
    };
    if (squelch) {
        // The squelch listens to the enhanced chain whichever chain is heard, so
        // each chain is read through a whole receive chain of its own.
        settings.squelch = true;
        Pair p;
        for (const DemodulatorChoice choice : {DemodulatorChoice::Standard, DemodulatorChoice::Enhanced}) {
            settings.demodulator = choice;
            ReceiveChain chain(settings);
            chain.feed(audio.data(), audio.size());
            (choice == DemodulatorChoice::Standard ? p.standard : p.enhanced) = cer(chain.text());
        }
        return p;
    }
    StringTextPane standardPane, enhancedPane;
    VaricodeDecoder standardDecoder{standardPane}, enhancedDecoder{enhancedPane};
    MskDemodulator standard(settings, standardDecoder, nullptr);
    EnhancedDemodulator enhanced(settings, enhancedDecoder, nullptr);
    for (std::int16_t x : audio) {
        standard.DemodulateSample(x);
        enhanced.DemodulateSample(x);
    }
    return {cer(standardPane.text()), cer(enhancedPane.text())};
}

// A channel of the tables: its name and what it sets beside the SNR.
struct Channel {
    std::string name;
    modem::ChannelOptions options;
};

// Mean CER over the seeds at this SNR of the over. Levels relative to the signal
// are also set against the over alone, not the recording with its silence.
Pair meanCer(const Channel& channel, const Speed& speed, double snrDb)
{
    const Over& o = over(speed);
    const double share = 10 * std::log10(o.overShare);
    Pair sum;
    for (int seed = 1; seed <= seeds; ++seed) {
        modem::ChannelOptions options = channel.options;
        options.snrDb = snrDb + share;
        options.seed = static_cast<std::uint64_t>(seed);
        options.secondStation.relativeDb -= share;
        options.secondStationSamplesPerBit = modem::samplesPerBitForBaud(speed.baud);  // a neighbour of the same speed
        options.carrier.relativeDb -= share;
        options.impulseRelativeDb -= share;
        const Pair p = readBoth(modem::applyChannel(o.samples, kCaptureSampleRate, options), speed, o.text);
        sum.standard += p.standard;
        sum.enhanced += p.enhanced;
    }
    return {sum.standard / seeds, sum.enhanced / seeds};
}

// The fade of each bit of the over: the mean power over the bit of what the fading
// channel makes of a steady tone at the band's centre, for this seed (the fades the
// chains meet with the same seed). The two paths'
// delay turns into a phase between them, as it does for a narrow signal.
std::vector<double> bitFades(const modem::FadingProfile& profile, const Speed& speed, std::uint64_t seed,
                             std::size_t bitCount)
{
    if (profile.paths == 0)
        return std::vector<double>(bitCount, 1.0);
    modem::WattersonFading fading(kCaptureSampleRate, profile, seed);
    const double step = 2 * std::numbers::pi * modem::kBandCentreHz / kCaptureSampleRate;
    long n = 0;
    const auto next = [&] {
        const std::complex<double> tone = std::polar(1.0, step * static_cast<double>(n++));
        return std::norm(fading.step(tone));
    };
    // The channel fades its input a Hilbert transformer's delay late: the over's first
    // sample meets the fade of step silence + delay.
    const long lead = static_cast<long>(kSilenceSeconds * kCaptureSampleRate) +
                      modem::FrequencyShifter(kCaptureSampleRate, 0.0, 0.0).delay();
    for (long i = 0; i < lead; ++i)
        next();
    const int perBit = modem::samplesPerBitForBaud(speed.baud) * kCaptureSampleRate / modem::kEncodeSampleRate;
    std::vector<double> fades(bitCount);
    for (double& f : fades) {
        for (int i = 0; i < perBit; ++i)
            f += next();
        f /= perBit;
    }
    return fades;
}

// A receiver that knows the channel: the bound no chain can beat on these fades. It
// is told each bit's fade and reads the bit as a coherent MSK receiver reads it on
// white noise at that bit's Eb/N0. MSK is offset QPSK: each I or Q symbol is wrong
// with probability Q(sqrt(2 Eb/N0)), and a tone bit, read from two neighbouring
// symbols, is wrong when one of them is. The errors go through the Varicode decoder
// and are scored as the chains are. Knowing the fade is worth more than any receiver
// can learn from the signal, and the paths' delay is taken as flat (true at 31 and
// 125 baud, where the 0.5 to 2 ms delay is a small part of a bit).
double knownChannelCer(const Channel& channel, const Speed& speed, double snrDb)
{
    const Over& o = over(speed);
    static std::map<std::string, std::vector<int>> bitsOf;
    std::vector<int>& sent = bitsOf[speed.baud];
    if (sent.empty())
        sent = onAirBits(o.text, modem::kDefaultIdleUnits);
    const double baud = static_cast<double>(modem::kEncodeSampleRate) / modem::samplesPerBitForBaud(speed.baud);
    const double meanEbN0 = std::pow(10.0, (snrDb + 10 * std::log10(modem::kNoiseBandwidth / baud)) / 10);
    double sum = 0;
    for (int seed = 1; seed <= seeds; ++seed) {
        const auto fades = bitFades(channel.options.fading, speed, static_cast<std::uint64_t>(seed), sent.size());
        for (int draw = 0; draw < kBoundDrawsPerFade; ++draw) {
            std::mt19937_64 noise(static_cast<std::uint64_t>(seed * kBoundDrawsPerFade + draw));
            std::uniform_real_distribution<double> uniform;
            StringTextPane pane;
            VaricodeDecoder decoder{pane};
            bool symbolWrong = false;
            for (std::size_t k = 0; k < sent.size(); ++k) {
                const double symbolError = 0.5 * std::erfc(std::sqrt(meanEbN0 * fades[k]));  // Q(sqrt(2 Eb/N0))
                const bool wrong = uniform(noise) < symbolError;
                const bool bitWrong = wrong != symbolWrong;
                symbolWrong = wrong;
                decoder.DecideBit((sent[k] != 0) != bitWrong ? 1 : -1);
            }
            sum += static_cast<double>(infixEditDistance(o.text, pane.text())) / static_cast<double>(o.text.size());
        }
    }
    return sum / (seeds * kBoundDrawsPerFade);
}

bool selected(const Speed& speed, const std::string& name)
{
    return (onlyBaud.empty() || onlyBaud == speed.baud) && (onlyCase.empty() || onlyCase == name);
}

// The SNR where a sweep from low to high SNR last falls to the target, log-interpolated.
std::string crossing(const std::vector<double>& snrs, const std::vector<double>& cers, double target)
{
    for (std::size_t i = snrs.size(); i-- > 1;) {
        if (cers[i - 1] > target && cers[i] <= target) {
            const double a = std::log(std::max(cers[i - 1], kCerFloor));
            const double b = std::log(std::max(cers[i], kCerFloor));
            char cell[32];
            std::snprintf(cell, sizeof cell, "%+.1f", snrs[i - 1] + (snrs[i] - snrs[i - 1]) * (a - std::log(target)) / (a - b));
            return cell;
        }
    }
    if (cers.back() > target)
        return "n.r.";
    return cers.front() <= target ? "< " + std::to_string(static_cast<int>(snrs.front())) : "?";
}

std::string percent(double x)
{
    char cell[32];
    std::snprintf(cell, sizeof cell, "%.1f %%", 100 * x);
    return cell;
}

std::string snrPair(double a, double b)
{
    char cell[48];
    std::snprintf(cell, sizeof cell, "%+.1f / %+.1f", a, b);
    return cell;
}

Channel fading(const std::string& name, const modem::FadingProfile& profile)
{
    Channel c{name, {}};
    c.options.fading = profile;
    return c;
}

const std::vector<Channel>& fadingChannels()
{
    static const std::vector<Channel> channels = {
        {"white noise", {}},
        fading("rayleigh:0.1", {1, 0.1, 0.0}),
        fading("good", modem::kFadingGood),
        fading("moderate", modem::kFadingModerate),
        fading("rayleigh:1", {1, 1.0, 0.0}),
        fading("poor", modem::kFadingPoor),
        fading("flutter", modem::kFadingFlutter),
    };
    return channels;
}

std::string theoryCell(const Channel& channel, const Speed& speed)
{
    return channel.options.fading.paths == 0 ? snrPair(speed.whiteTheory10, speed.whiteTheory1)
                                             : snrPair(speed.rayleighTheory10, speed.rayleighTheory1);
}

// The known-channel bound's SNR for 10 % and 1 % CER, on a finer grid than the chains'.
std::string knownChannelCell(const Channel& channel, const Speed& speed)
{
    std::vector<double> snrs, cers;
    for (double snr = speed.lowestSnrDb; snr <= speed.highestSnrDb + 1e-9; snr += kBoundStepDb) {
        const bool settled = cers.size() >= 2 && cers.back() == 0 && cers[cers.size() - 2] == 0;
        snrs.push_back(snr);
        cers.push_back(settled ? 0.0 : knownChannelCer(channel, speed, snr));
    }
    return crossing(snrs, cers, 0.10) + " / " + crossing(snrs, cers, 0.01);
}

// The known-channel bound alone on every fading channel, beside the theory.
void boundTable()
{
    std::cout << "| channel | baud | known channel: 10 % / 1 % | theory 10 % / 1 % |\n|---|---:|---|---|\n";
    for (const Channel& channel : fadingChannels())
        for (const Speed& speed : kSpeeds)
            if (selected(speed, channel.name))
                std::cout << "| " << channel.name << " | " << speed.baud << " | " << knownChannelCell(channel, speed)
                          << " | " << theoryCell(channel, speed) << " |" << std::endl;
}

// SNR for 10 % and 1 % CER and the floor (CER at the top SNR) of both chains on
// every fading channel, beside the known-channel bound and the theory.
void fadingTable()
{
    const std::vector<Channel>& channels = fadingChannels();
    std::cout << "| channel | baud | standard: 10 % / 1 % ; floor | enhanced: 10 % / 1 % ; floor "
                 "| known channel: 10 % / 1 % | theory 10 % / 1 % |\n"
                 "|---|---:|---|---|---|---|\n";
    for (const Channel& channel : channels) {
        for (const Speed& speed : kSpeeds) {
            if (!selected(speed, channel.name))
                continue;
            std::vector<double> snrs, standard, enhanced;
            for (double snr = speed.lowestSnrDb; snr <= speed.highestSnrDb + 1e-9; snr += kSnrStepDb) {
                // Two clean points in a row on white noise: the rest of the sweep is clean too.
                const bool settled = channel.options.fading.paths == 0 && standard.size() >= 2 &&
                                     standard.back() == 0 && standard[standard.size() - 2] == 0 &&
                                     enhanced.back() == 0 && enhanced[enhanced.size() - 2] == 0;
                const Pair p = settled ? Pair{} : meanCer(channel, speed, snr);
                snrs.push_back(snr);
                standard.push_back(p.standard);
                enhanced.push_back(p.enhanced);
                std::cerr << channel.name << ' ' << speed.baud << " baud " << snr << " dB: " << percent(p.standard)
                          << " / " << percent(p.enhanced) << '\n';
            }
            char top[16];
            std::snprintf(top, sizeof top, "%+.0f", speed.highestSnrDb);
            const auto cell = [&](const std::vector<double>& cers) {
                return crossing(snrs, cers, 0.10) + " / " + crossing(snrs, cers, 0.01) + " ; " + percent(cers.back()) +
                       " @" + top;
            };
            std::cout << "| " << channel.name << " | " << speed.baud << " | " << cell(standard) << " | " << cell(enhanced)
                      << " | " << knownChannelCell(channel, speed) << " | " << theoryCell(channel, speed) << " |"
                      << std::endl;
        }
    }
}

// The band's other troubles at two SNRs per speed: the enhanced chain's white-noise
// 1 % point + 7 dB, and +20 dB.
void impairmentTable()
{
    std::vector<Channel> channels;
    for (double drift : {0.05, 0.1, 0.2, 0.5, 1.0}) {
        Channel c{"drift " + std::to_string(drift).substr(0, 4) + " Hz/s", {}};
        c.options.driftHzPerSecond = drift;
        channels.push_back(c);
    }
    for (double offset : {60.0, -60.0, 100.0, 150.0})
        for (double db : {0.0, 6.0}) {
            char name[48];
            std::snprintf(name, sizeof name, "station %+.0f Hz, %+.0f dB", offset, db);
            Channel c{name, {}};
            c.options.secondStation = {true, offset, db};
            channels.push_back(c);
        }
    for (double offset : {50.0, -50.0})
        for (double db : {0.0, 10.0}) {
            char name[48];
            std::snprintf(name, sizeof name, "carrier %+.0f Hz, %+.0f dB", offset, db);
            Channel c{name, {}};
            c.options.carrier = {true, offset, db};
            channels.push_back(c);
        }
    for (double db : {20.0, 30.0}) {
        char name[48];
        std::snprintf(name, sizeof name, "impulses 10/s, %+.0f dB", db);
        Channel c{name, {}};
        c.options.impulsesPerSecond = 10.0;
        c.options.impulseRelativeDb = db;
        channels.push_back(c);
        c.name = std::string("SSB + fast AGC + ") + name;
        c.options.ssbPassband = true;
        c.options.agc = modem::AgcSpeed::Fast;
        channels.push_back(c);
    }
    {
        Channel c{"SSB", {}};
        c.options.ssbPassband = true;
        channels.push_back(c);
        c.name = "SSB + fast AGC";
        c.options.agc = modem::AgcSpeed::Fast;
        channels.push_back(c);
        c.name = "SSB + slow AGC";
        c.options.agc = modem::AgcSpeed::Slow;
        channels.push_back(c);
    }

    std::cout << "| impairment |";
    for (const Speed& speed : kSpeeds)
        if (onlyBaud.empty() || onlyBaud == speed.baud)
            std::cout << ' ' << speed.baud << " std M | " << speed.baud << " enh M | " << speed.baud << " std +20 | "
                      << speed.baud << " enh +20 |";
    std::cout << "\n|---|";
    for (const Speed& speed : kSpeeds)
        if (onlyBaud.empty() || onlyBaud == speed.baud)
            std::cout << "---:|---:|---:|---:|";
    std::cout << '\n';
    for (const Channel& channel : channels) {
        if (!onlyCase.empty() && channel.name.find(onlyCase) == std::string::npos)
            continue;
        std::cout << "| " << channel.name << " |";
        for (const Speed& speed : kSpeeds) {
            if (!onlyBaud.empty() && onlyBaud != speed.baud)
                continue;
            const Pair margin = meanCer(channel, speed, speed.whiteNoiseOnePercentDb + kMarginDb);
            const Pair high = meanCer(channel, speed, kHighSnrDb);
            std::cout << ' ' << percent(margin.standard) << " | " << percent(margin.enhanced) << " | "
                      << percent(high.standard) << " | " << percent(high.enhanced) << " |" << std::flush;
            std::cerr << channel.name << ' ' << speed.baud << " baud done\n";
        }
        std::cout << std::endl;
    }
}

int usage()
{
    std::cerr << "usage: rx-channels fading|impairments|all|bound [--baud 31|125|500] [--seeds N] [--only NAME] [--squelch]\n"
                 "  --only: one fading channel by name (good, rayleigh:1, ...), or impairments whose\n"
                 "          name contains NAME (drift, station, carrier, impulses, SSB)\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return usage();
    const std::string part = argv[1];
    try {
        modem::CommandLine args(argc - 1, argv + 1);  // after the part's name
        while (args.next()) {
            const std::string_view arg = args.argument();
            if (!args.isOption())
                return usage();
            if (arg == "--seeds")
                seeds = static_cast<int>(modem::parseInteger("--seeds", args.value(), 1, 100));
            else if (arg == "--baud")
                onlyBaud = std::string(args.value());
            else if (arg == "--only")
                onlyCase = std::string(args.value());
            else if (arg == "--squelch")
                squelch = true;
            else
                return usage();
        }
    } catch (const modem::UsageError& e) {
        std::cerr << e.what() << '\n';
        return usage();
    }
    if (!onlyBaud.empty() && std::none_of(std::begin(kSpeeds), std::end(kSpeeds),
                                          [](const Speed& s) { return onlyBaud == s.baud; }))
        return usage();
    if (part != "fading" && part != "impairments" && part != "all" && part != "bound")
        return usage();
    std::cout << "Seeds per point: " << seeds << (squelch ? "; squelch on" : "; squelch off") << "\n\n";
    if (part == "bound")
        boundTable();
    if (part == "fading" || part == "all")
        fadingTable();
    if (part == "all")
        std::cout << '\n';
    if (part == "impairments" || part == "all") {
        std::cout << "CER at the enhanced chain's white-noise 1 % point + " << kMarginDb
                  << " dB (M: -5.1 / +1.4 / +7.0 dB at 31 / 125 / 500 baud) and at +" << kHighSnrDb << " dB\n\n";
        impairmentTable();
    }
    return 0;
}
