// msk-modem decode and channel, called in process.
#include "tests/modem/receive/ReceiveSignals.h"
#include "tools/ModemArgs.h"
#include "tools/ModemChannel.h"
#include "tools/ModemDecode.h"
#include "tools/ModemEncode.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <numbers>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct DecodeCommandTest : ::testing::Test {
    fs::path dir;

    void SetUp() override
    {
        dir = fs::temp_directory_path() /
              ("rx-decode-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string writeWav(const std::string& name, const std::vector<std::int16_t>& x, int rate, int channels = 1,
                         int format = SF_FORMAT_WAV)
    {
        const std::string path = (dir / name).string();
        SF_INFO info{};
        info.samplerate = rate;
        info.channels = channels;
        info.format = format | SF_FORMAT_PCM_16;
        SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
        EXPECT_NE(f, nullptr);
        sf_write_short(f, x.data(), static_cast<sf_count_t>(x.size()));
        sf_close(f);
        return path;
    }

    // Runs decode with these arguments (after "decode"); raw is standard input.
    static std::string decode(std::vector<std::string> args, const std::string& raw = "")
    {
        args.insert(args.begin(), "decode");
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        const modem::DecodeOptions options = modem::parseDecodeOptions(static_cast<int>(argv.size()), argv.data());
        std::istringstream in(raw);
        std::ostringstream out;
        modem::decode(options, in, out);
        return out.str();
    }
};

std::string rawBytes(const std::vector<std::int16_t>& x)
{
    std::string bytes;
    for (std::int16_t s : x) {
        const auto u = static_cast<std::uint16_t>(s);
        bytes += static_cast<char>(u & 0xFF);
        bytes += static_cast<char>(u >> 8);
    }
    return bytes;
}

TEST_F(DecodeCommandTest, SilencePrintsNothing)
{
    const std::string path = writeWav("silence.wav", std::vector<std::int16_t>(8000 * 5, 0), 8000);
    for (const char* baud : {"31", "63", "125", "250", "500"})
        EXPECT_EQ(decode({"--baud", baud, path}), "") << baud;
}

TEST_F(DecodeCommandTest, TraceOfSilenceDecidesAtFixedSamples)
{
    // 31 baud: ticks at samples 16, 32, ...; tick 8 of each 16 decides: samples
    // 16 x 8 = 128, then every 256.
    const std::string trace = decode({"--demod", "standard", "--trace", "--input-rate", "8000", "-"},
                                     rawBytes(std::vector<std::int16_t>(1024, 0)));
    EXPECT_EQ(trace, "128 0.000000000\n384 0.000000000\n640 0.000000000\n896 0.000000000\n");
}

// The enhanced chain's trace: one line per decision, nine columns, the bit as 1 or
// 0; a clean signal 5 Hz off shows the correction in the fourth.
TEST_F(DecodeCommandTest, EnhancedTraceHasNineColumnsPerBit)
{
    std::vector<double> x;
    for (std::int16_t s : rxtest::transmission("CQ", rxtest::kSpeeds[2]))
        x.push_back(s);
    modem::ChannelOptions off;
    off.offsetHz = 5.0;
    const std::string path = writeWav("off.wav", modem::applyChannel(x, 8000, off), 8000);
    std::istringstream trace(decode({"--baud", "125", "--trace", path}));
    std::string line;
    int lines = 0;
    double lastOffset = 0;
    while (std::getline(trace, line)) {
        std::istringstream fields(line);
        std::vector<std::string> f;
        for (std::string v; fields >> v;)
            f.push_back(v);
        ASSERT_EQ(f.size(), 9u) << line;
        EXPECT_TRUE(f[1] == "0" || f[1] == "1") << line;
        lastOffset = std::stod(f[3]);
        ++lines;
    }
    EXPECT_GT(lines, 42);  // the preamble alone is 42 bits
    EXPECT_NEAR(lastOffset, 5.0, 0.5);
}

TEST_F(DecodeCommandTest, EncoderOutputDecodesFromWavAtAnyRate)
{
    const auto signal = modem::encodeTransmission("CQ de TEST", 256, 2);
    const std::string path = writeWav("cq.wav", signal, modem::kEncodeSampleRate);
    EXPECT_EQ(decode({"--baud", "125", path}), "CQ de TEST\n");

    const std::string stereo = writeWav("cq-stereo.wav", [&] {
        std::vector<std::int16_t> x;
        for (std::int16_t s : signal) {
            x.push_back(s);
            x.push_back(static_cast<std::int16_t>(-s / 3));  // a second channel is ignored
        }
        return x;
    }(), modem::kEncodeSampleRate, 2);
    EXPECT_EQ(decode({"--baud", "125", stereo}), "CQ de TEST\n");

    // Text that ends its own line gets no second newline.
    const std::string ended = writeWav("ended.wav", modem::encodeTransmission("73\n", 256, 2), modem::kEncodeSampleRate);
    EXPECT_EQ(decode({"--baud", "125", ended}), "73\n");
}

TEST_F(DecodeCommandTest, RawInputAtTheGivenRate)
{
    const auto signal = modem::encodeTransmission("73 \xE9t\xE9", 512, 2);  // "73 été" in Windows-1252
    EXPECT_EQ(decode({"--baud", "63", "--input-rate", "32000", "-"}, rawBytes(signal)), "73 \xC3\xA9t\xC3\xA9\n");
    // Without --input-rate, raw input runs at the rate encode writes, so the two pipe together.
    EXPECT_EQ(decode({"--baud", "63"}, rawBytes(signal)), "73 \xC3\xA9t\xC3\xA9\n");
    const auto at8000 = rxtest::transmission("k", rxtest::kSpeeds[1]);
    EXPECT_EQ(decode({"--baud", "63", "--input-rate", "8000"}, rawBytes(at8000) + "\x01"), "k\n");  // an odd trailing byte is dropped
}

TEST_F(DecodeCommandTest, SettingsFromTheCommandLine)
{
    // The transmitter's tones moved up by 500 Hz: --centre 1500 finds them.
    std::vector<double> x;
    for (std::int16_t s : rxtest::transmission("abc", rxtest::kSpeeds[2]))
        x.push_back(s);
    modem::ChannelOptions shift;
    shift.offsetHz = 500.0;
    const std::string path = writeWav("shifted.wav", modem::applyChannel(x, 8000, shift), 8000);
    EXPECT_EQ(decode({"--baud", "125", "--centre", "1500", "--sync", "slow", path}), "abc\n");
    EXPECT_NE(decode({"--baud", "125", path}), "abc\n");
}

TEST_F(DecodeCommandTest, AssumedRateMatchesASoundCardThatRunsFast)
{
    // A card 0.5 % fast records 8040 samples per real second: every tone reads 0.5 %
    // low, 5 Hz at 1000 Hz, most of the 7.5625 Hz shift of 31 baud. Telling the
    // standard chain the real rate puts its oscillator and bit clock right again;
    // the enhanced chain finds the offset and the bit rate by itself.
    std::vector<double> x;
    for (std::int16_t s : rxtest::transmission("the quick brown fox", rxtest::kSpeeds[0]))
        x.push_back(s);
    modem::ChannelOptions fast;
    fast.ppm = 5000.0;
    const std::string path = writeWav("fast.wav", modem::applyChannel(x, 8000, fast), 8000);
    EXPECT_NE(decode({"--demod", "standard", path}), "the quick brown fox\n");
    EXPECT_EQ(decode({"--demod", "standard", "--assumed-rate", "8040", path}), "the quick brown fox\n");
    EXPECT_EQ(decode({path}), "the quick brown fox\n");
}

TEST_F(DecodeCommandTest, BadCommandLines)
{
    using modem::UsageError;
    EXPECT_THROW(decode({"--baud", "45"}), UsageError);
    EXPECT_THROW(decode({"--sync", "medium"}), UsageError);
    EXPECT_THROW(decode({"--centre", "0"}), UsageError);
    EXPECT_THROW(decode({"--centre", "abc"}), UsageError);
    EXPECT_THROW(decode({"--assumed-rate", "-8000"}), UsageError);
    EXPECT_THROW(decode({"--input-rate", "0"}), UsageError);
    EXPECT_THROW(decode({"--frobnicate"}), UsageError);
    EXPECT_THROW(decode({"--demod", "coherent"}), UsageError);
    EXPECT_THROW(decode({"a.wav", "b.wav"}), UsageError);
    EXPECT_THROW(decode({"--baud"}), UsageError);
    // Plain decimal numbers only.
    for (const char* centre : {"0x3E8", " 1000", "1000 ", "+1000", "1e3", "inf", "nan", "1000,5", "-", "."})
        EXPECT_THROW(decode({"--centre", centre, "-"}), UsageError) << centre;
    for (const char* rate : {" 8000", "8000.0", "0x1F40", "08000x"})
        EXPECT_THROW(decode({"--assumed-rate", rate, "-"}), UsageError) << rate;
    EXPECT_EQ(decode({"--centre", "999.5", "--assumed-rate", "08000", "-"}), "");
    // A WAV file names its own rate: --input-rate cannot apply to it.
    EXPECT_THROW(decode({"--input-rate", "8000", "a.wav"}), UsageError);
}

TEST_F(DecodeCommandTest, BrokenFilesNeverCrash)
{
    EXPECT_THROW(decode({(dir / "missing.wav").string()}), modem::IoError);

    const std::string good = writeWav("good.wav", rxtest::transmission("hello", rxtest::kSpeeds[4]), 8000);
    std::ifstream in(good, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

    std::mt19937 random(7);
    std::vector<std::string> broken = {"", bytes.substr(0, 12), bytes.substr(0, 44), bytes.substr(0, 45),
                                       bytes.substr(0, bytes.size() / 2)};
    for (int k = 0; k < 20; ++k) {  // the header kept, everything after it random; and flipped header bytes
        std::string garbage = bytes.substr(0, 44);
        for (int n = 0; n < 3000; ++n)
            garbage += static_cast<char>(random());
        broken.push_back(garbage);
        std::string flipped = bytes.substr(0, 4000);
        for (int n = 0; n < 4; ++n)
            flipped[static_cast<std::size_t>(random() % 44)] = static_cast<char>(random());
        broken.push_back(flipped);
    }
    for (std::size_t k = 0; k < broken.size(); ++k) {
        const fs::path path = dir / ("broken" + std::to_string(k) + ".wav");
        std::ofstream(path, std::ios::binary) << broken[k];
        try {
            decode({"--baud", "500", path.string()});
        } catch (const modem::IoError&) {
            // a one-line error and exit 1: fine
        }
    }
    // Half a file decodes what it holds.
    const fs::path half = dir / "half.wav";
    std::ofstream(half, std::ios::binary) << bytes.substr(0, bytes.size() * 3 / 4);
    EXPECT_NO_THROW(decode({"--baud", "500", half.string()}));
}

// Runs channel with these arguments (after "channel").
int channel(std::vector<std::string> args)
{
    args.insert(args.begin(), "channel");
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    return modem::runChannel(static_cast<int>(argv.size()), argv.data());
}

using ChannelCommandTest = DecodeCommandTest;

TEST_F(ChannelCommandTest, ReadErrorPartWayLeavesNoOutput)
{
    // A FLAC recording with 200 bytes of its middle overwritten: the decoder
    // loses sync part-way.
    std::vector<std::int16_t> tone(80000);
    for (std::size_t n = 0; n < tone.size(); ++n)
        tone[n] = static_cast<std::int16_t>(8000 * std::sin(0.785 * static_cast<double>(n)) + static_cast<double>(n * 7919 % 301));
    const std::string flac = writeWav("tone.flac", tone, 8000, 1, SF_FORMAT_FLAC);
    std::string bytes;
    {
        std::ifstream in(flac, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    for (std::size_t k = bytes.size() / 2; k < bytes.size() / 2 + 200; ++k)
        bytes[k] = static_cast<char>(k * 37);
    std::ofstream(flac, std::ios::binary | std::ios::trunc) << bytes;

    const fs::path out = dir / "out.wav";
    for (const std::vector<std::string>& options : {std::vector<std::string>{}, {"--snr", "3", "--offset", "5"}}) {
        std::vector<std::string> args = options;
        args.insert(args.end(), {flac, out.string()});
        EXPECT_THROW(channel(args), modem::IoError);
        EXPECT_FALSE(fs::exists(out));
        EXPECT_FALSE(fs::exists(out.string() + ".part"));
        for (const auto& entry : fs::directory_iterator(dir))
            EXPECT_NE(entry.path().extension(), ".part") << entry.path();
    }
}

// One infinite or NaN sample in a float recording: channel used to write zeros
// (Inf) or copy the input untouched (NaN), converting NaN to 16 bits undefined,
// and decode to read on. Both refuse it, saying where it is.
TEST_F(ChannelCommandTest, SampleThatIsNoNumberIsRefusedWithItsPosition)
{
    constexpr int kRate = 8000;
    std::vector<float> x(3000);
    for (std::size_t n = 0; n < x.size(); ++n)
        x[n] = 0.25f * static_cast<float>(std::sin(0.785 * static_cast<double>(n)));
    const fs::path out = dir / "out.wav";
    for (float bad : {std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
                      std::numeric_limits<float>::quiet_NaN()}) {
        std::vector<float> y = x;
        y[1234] = bad;
        const std::string in = (dir / "float.wav").string();
        SF_INFO info{};
        info.samplerate = kRate;
        info.channels = 1;
        info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
        SNDFILE* f = sf_open(in.c_str(), SFM_WRITE, &info);
        ASSERT_NE(f, nullptr);
        sf_write_float(f, y.data(), static_cast<sf_count_t>(y.size()));
        sf_close(f);
        // Sample 1234 at 8000 per second: 0.15425 s.
        const std::string where = "sample 1234 (counting from 0, at 0.154250 s) is ";
        const std::string what = std::isnan(bad) ? "not a number" : "infinite";
        for (const std::vector<std::string>& args : {std::vector<std::string>{"--snr", "0"}, {}}) {
            std::vector<std::string> files = args;
            files.insert(files.end(), {in, out.string()});
            try {
                channel(files);
                ADD_FAILURE() << bad << " was taken";
            } catch (const modem::IoError& e) {
                EXPECT_NE(std::string(e.what()).find(where + what), std::string::npos) << e.what();
            }
            EXPECT_FALSE(fs::exists(out));
        }
        try {
            decode({in});
            ADD_FAILURE() << bad << " was decoded";
        } catch (const modem::IoError& e) {
            EXPECT_NE(std::string(e.what()).find(where + what), std::string::npos) << e.what();
        }
    }
    // Samples from memory are not checked: a NaN comes out as 0, not undefined.
    std::vector<double> samples(100, 1000.0);
    samples[50] = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(modem::applyChannel(samples, kRate, {})[50], 0);
}

// A plain WAV header counts at most 4 GiB. A file beyond that (here a real header
// and 1000 samples, then a hole up to 4 GiB + 4 KiB, which takes no disk) has
// sizes that have wrapped round: reading it would stop early and say nothing.
TEST_F(DecodeCommandTest, WavFileLargerThanItsHeaderCanCountIsRefused)
{
    const std::string big = writeWav("big.wav", std::vector<std::int16_t>(1000, 100), 8000);
    fs::resize_file(big, (std::uintmax_t{1} << 32) + 4096);
    EXPECT_THROW(decode({big}), modem::IoError);
    EXPECT_THROW(channel({big, (dir / "out.wav").string()}), modem::IoError);
    fs::resize_file(big, (std::uintmax_t{1} << 32) - 4096);  // within what a header counts
    EXPECT_EQ(decode({big}), "");
}

TEST_F(ChannelCommandTest, SampleRateOfTheFileOutOfRangeIsAnInputError)
{
    const std::vector<std::int16_t> x(3000, 100);
    const fs::path out = dir / "out.wav";
    // Headers that claim 2, 32, 999, 400000 and 270 million samples per second:
    // refused at once (no Hilbert filter of 0.032 x rate taps is built, no minutes
    // spent converting 32 per second) as a fault of the file, by decode alike.
    for (int rate : {2, 32, 999, 400000, 270000000}) {
        const std::string in = writeWav("rate" + std::to_string(rate) + ".wav", x, rate);
        try {
            channel({"--offset", "5", in, out.string()});
            ADD_FAILURE() << rate << " was taken";
        } catch (const modem::IoError& e) {
            EXPECT_NE(std::string(e.what()).find("1000 to 384000"), std::string::npos) << e.what();
        }
        EXPECT_FALSE(fs::exists(out));
        try {
            decode({in});
            ADD_FAILURE() << rate << " was decoded";
        } catch (const modem::IoError& e) {
            EXPECT_NE(std::string(e.what()).find("decode takes 1000 to 384000"), std::string::npos) << e.what();
        }
    }
    // 1500 per second carries tones up to 750 Hz: an offset of 750 Hz does not fit the file.
    const std::string low = writeWav("low.wav", x, 1500);
    EXPECT_THROW(channel({"--offset", "750", low, out.string()}), modem::IoError);
    EXPECT_EQ(channel({"--offset", "749", low, out.string()}), modem::kExitOk);
    EXPECT_THROW(channel({"--seed", "4", low, out.string()}), modem::UsageError);  // no noise to seed
}

TEST(ChannelTest, NoiseHasTheAskedPowerAndRepeats)
{
    const int rate = 8000;
    std::vector<double> x(80000);
    for (std::size_t n = 0; n < x.size(); ++n)
        x[n] = 1000.0 * std::sin(2 * std::numbers::pi * 1000.0 * static_cast<double>(n) / rate);
    modem::ChannelOptions options;
    options.snrDb = 0.0;
    options.seed = 5;
    const auto y = modem::applyChannel(x, rate, options);
    // P = 1000^2 / 2; at 0 dB the noise variance is P x (8000 / 2) / 2500 = 1.6 P.
    double noise = 0;
    for (std::size_t n = 0; n < x.size(); ++n)
        noise += (y[n] - x[n]) * (y[n] - x[n]);
    EXPECT_NEAR(noise / static_cast<double>(x.size()) / (1.6 * 500000.0), 1.0, 0.03);
    EXPECT_EQ(modem::applyChannel(x, rate, options), y);
    options.seed = 6;
    EXPECT_NE(modem::applyChannel(x, rate, options), y);
}

TEST(ChannelTest, WeakSignalIsScaledInsteadOfClipped)
{
    std::vector<double> x(40000);
    for (std::size_t n = 0; n < x.size(); ++n)
        x[n] = 15000.0 * std::sin(2 * std::numbers::pi * 1000.0 * static_cast<double>(n) / 8000);
    modem::ChannelOptions options;
    options.snrDb = -14.0;
    const auto y = modem::applyChannel(x, 8000, options);
    double power = 0;
    int clipped = 0;
    for (std::int16_t s : y) {
        power += static_cast<double>(s) * s;
        clipped += s == 32767 || s == -32768;
    }
    EXPECT_EQ(clipped, 0);
    EXPECT_NEAR(std::sqrt(power / static_cast<double>(y.size())), modem::kNoisyOutputRms, 0.03 * modem::kNoisyOutputRms);
}

TEST(ChannelTest, OffsetAndClockError)
{
    const int rate = 8000;
    std::vector<double> x(80000);
    for (std::size_t n = 0; n < x.size(); ++n)
        x[n] = 10000.0 * std::sin(2 * std::numbers::pi * 1000.0 * static_cast<double>(n) / rate);
    modem::ChannelOptions options;
    options.offsetHz = 50.0;
    const auto shifted = modem::applyChannel(x, rate, options);
    // 1050 Hz over the middle 8 seconds: 2 x 1050 x 8 sign changes.
    int crossings = 0;
    for (std::size_t n = 4001; n < 68001; ++n)
        crossings += (shifted[n - 1] < 0) != (shifted[n] < 0);
    EXPECT_NEAR(crossings, 16800, 2);
    // Sample by sample: the analytic signal of 10000 sin(wt) is -j 10000 e^(jwt), so
    // turned by 50 Hz its real part is 10000 sin at 1050 Hz, in step with the input.
    ASSERT_EQ(shifted.size(), x.size());
    double worst = 0;
    for (std::size_t n = 4000; n < 76000; ++n)
        worst = std::max(worst, std::abs(shifted[n] - 10000.0 * std::sin(2 * std::numbers::pi * 1050.0 * static_cast<double>(n) / rate)));
    EXPECT_LT(worst, 2.0);  // the rounding to 16 bits (0.5) and the filter's ripple

    options = {};
    options.ppm = 1000.0;  // the recording clock 0.1 % fast: 0.1 % more samples
    EXPECT_NEAR(static_cast<double>(modem::applyChannel(x, rate, options).size()), 80080.0, 2.0);
}

}  // namespace
