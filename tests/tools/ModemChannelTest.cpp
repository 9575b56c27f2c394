// SPDX-License-Identifier: GPL-3.0-or-later
// msk-modem channel's band options, called in process: how they are read, and that
// the levels they ask for reach the output against the measured signal power.
// What each block does is tested in tests/modem/channel.
#include "tools/ModemArgs.h"
#include "tools/ModemChannel.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <complex>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
constexpr int kRate = 8000;
constexpr double kPi = std::numbers::pi;

std::vector<double> tone(double hz, double peak, std::size_t samples)
{
    std::vector<double> x(samples);
    for (std::size_t n = 0; n < samples; ++n)
        x[n] = peak * std::sin(2 * kPi * hz * static_cast<double>(n) / kRate);
    return x;
}

// The power of x at hz (the whole block through one Goertzel filter).
double powerAt(const std::vector<std::int16_t>& x, double hz, std::size_t from, std::size_t to)
{
    std::complex<double> sum = 0;
    for (std::size_t n = from; n < to; ++n)
        sum += static_cast<double>(x[n]) * std::polar(1.0, -2 * kPi * hz * static_cast<double>(n) / kRate);
    const double length = static_cast<double>(to - from);
    return 2 * std::norm(sum) / (length * length);
}

struct ChannelOptionsTest : ::testing::Test {
    fs::path dir = fs::temp_directory_path() /
                   ("rx-channel-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::string in, out;

    void SetUp() override
    {
        fs::create_directories(dir);
        in = (dir / "in.wav").string();
        out = (dir / "out.wav").string();
        SF_INFO info{};
        info.samplerate = kRate;
        info.channels = 1;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        SNDFILE* f = sf_open(in.c_str(), SFM_WRITE, &info);
        std::vector<short> x(8000);
        for (std::size_t n = 0; n < x.size(); ++n)
            x[n] = static_cast<short>(8000 * std::sin(0.785 * static_cast<double>(n)));
        sf_write_short(f, x.data(), static_cast<sf_count_t>(x.size()));
        sf_close(f);
    }
    void TearDown() override { fs::remove_all(dir); }

    int channel(std::vector<std::string> args)
    {
        args.insert(args.begin(), "channel");
        args.insert(args.end(), {in, out});
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        return modem::runChannel(static_cast<int>(argv.size()), argv.data());
    }
};

TEST_F(ChannelOptionsTest, BandOptionsAreReadOrRefused)
{
    for (const std::vector<std::string>& good :
         {std::vector<std::string>{"--fading", "good"}, {"--fading", "rayleigh:0.5", "--seed", "3"},
          {"--drift", "-0.5", "--ssb", "--agc", "slow"}, {"--qrm", "-60:6", "--baud", "125"},
          {"--carrier", "50:10"}, {"--impulse", "10:30", "--seed", "2"}})
        EXPECT_EQ(channel(good), modem::kExitOk) << good[0];
    for (const std::vector<std::string>& bad : {
             std::vector<std::string>{"--fading", "calm"},
             {"--fading", "rayleigh:0"},       // a tap needs some spread
             {"--fading", "rayleigh:"},
             {"--qrm", "60"},                  // OFFSET:REL_DB
             {"--carrier", "50:"},
             {"--impulse", "0:20"},            // no clicks is no option
             {"--qrm", "60:100"},              // 60 dB at most either way
             {"--agc", "medium"},
             {"--baud", "125"},                // the second station's speed, and there is none
             {"--seed", "2", "--drift", "1"},  // nothing random to seed
         })
        EXPECT_THROW(channel(bad), modem::UsageError) << bad[0] << ' ' << bad[1];
    // Signals the recording cannot hold: a carrier at 1000 - 1000 = 0 Hz, and a second
    // station centred at 100 Hz (its tones are checked with the widest speed's reach,
    // 125 Hz each side, whatever --baud says).
    EXPECT_THROW(channel({"--carrier", "-1000:0"}), modem::IoError);
    EXPECT_THROW(channel({"--qrm", "-900:0"}), modem::IoError);
}

TEST(ChannelBandTest, SecondSignalsAreSetAgainstTheMeasuredSignalPower)
{
    // A 1000 Hz tone of peak 2000 (power 2e6), a carrier 100 Hz up at -6 dB and a
    // second station 300 Hz up at +3 dB. No noise, so the output keeps the scale of
    // the input unless the sum's RMS passes 4096: it is sqrt(2e6 (1 + 0.251 + 1.995))
    // = 2548, so it does not.
    const auto x = tone(1000.0, 2000.0, 16000);
    modem::ChannelOptions options;
    options.carrier = {true, 100.0, -6.0};
    options.secondStation = {true, 300.0, 3.0};
    const auto y = modem::applyChannel(x, kRate, options);
    ASSERT_EQ(y.size(), x.size());
    EXPECT_NEAR(powerAt(y, 1000.0, 0, y.size()), 2e6, 0.01 * 2e6);
    EXPECT_NEAR(powerAt(y, 1100.0, 0, y.size()), 2e6 * std::pow(10.0, -0.6), 0.01 * 2e6);
    double sum = 0;
    for (std::int16_t v : y)
        sum += static_cast<double>(v) * v;
    EXPECT_NEAR(sum / static_cast<double>(y.size()), 2e6 * (1 + std::pow(10.0, -0.6) + std::pow(10.0, 0.3)), 0.02 * 2e6);
}

}  // namespace
