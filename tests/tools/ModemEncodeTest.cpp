// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/ModemEncode.h"

#include "modem/transmit/KeyingEnvelope.h"
#include "modem/transmit/MskSynthesizer.h"
#include "modem/varicode/VaricodeTable.h"
#include "tools/WavFile.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace {

// The over a synthesiser puts on the air for a bit sequence given as '0'/'1'
// characters: the bits under the keying rise, then the fall.
std::vector<std::int16_t> synthesize(const std::string& bits, int samplesPerBit)
{
    MskSynthesizer synth;
    synth.setSamplesPerBit(samplesPerBit);
    synth.startRise();
    std::vector<std::int16_t> out(bits.size() * static_cast<std::size_t>(samplesPerBit) + keying::kEdgeSamples);
    for (std::size_t i = 0; i < bits.size(); ++i)
        synth.fillBit(out.data() + i * static_cast<std::size_t>(samplesPerBit), bits[i] == '1');
    synth.fillFall(out.data() + bits.size() * static_cast<std::size_t>(samplesPerBit), synth.toneState());
    return out;
}

const std::string kPreamble = std::string(40, '1') + "00";
const std::string kIdle = "101010101100";

// std::system's result as the program's exit code.
int exitCodeOf(int status)
{
#ifdef _WIN32
    return status;
#else
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

struct ModemRun {
    int exitCode;
    std::string out;
};

ModemRun runModem(const std::string& arguments, const std::string& input = "")
{
    const auto dir = std::filesystem::temp_directory_path();
    const std::string in = (dir / "msk-encode-test.in").string();
    const std::string out = (dir / "msk-encode-test.out").string();
    std::ofstream(in, std::ios::binary) << input;
#ifdef _WIN32
    const char* discard = " 2>NUL";
#else
    const char* discard = " 2>/dev/null";
#endif
    const std::string command = std::string(MSK_MODEM_BINARY) + " " + arguments + " < " + in + " > " + out + discard;
    const int status = exitCodeOf(std::system(command.c_str()));
    std::ifstream result(out, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(result)), std::istreambuf_iterator<char>());
    return {status, bytes};
}

std::vector<std::int16_t> fromLittleEndian(const std::string& bytes)
{
    std::vector<std::int16_t> samples(bytes.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::int16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                               (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    return samples;
}

}  // namespace

TEST(ModemEncode, PreambleThenTheFirstRequestThenTextThenIdleUnits)
{
    // 40 ones and two zeros, the start value 0 of the first request, "e" + "00",
    // then two idle units.
    EXPECT_EQ(modem::encodeTransmission("e", 256, 2), synthesize(kPreamble + "0" + "1100" + kIdle + kIdle, 256));
    EXPECT_EQ(modem::encodeTransmission("", 1024, 0), synthesize(kPreamble + "0", 1024));
    EXPECT_EQ(modem::encodeTransmission("a\r\n", 64, 1),
              synthesize(kPreamble + "0" + "101100" + "100" + "1110100" + kIdle, 64));
}

TEST(ModemEncode, LineEndsBecomeCarriageReturnLineFeed)
{
    EXPECT_EQ(modem::entryTextFromUtf8("a\nb\r\nc\rd"), "a\r\nb\r\nc\r\nd");
    EXPECT_EQ(modem::entryTextFromUtf8("73 \xE2\x82\xAC\n"), "73 \x80\r\n");
}

TEST(ModemEncode, TextArrivingInPiecesConvertsAsAWhole)
{
    // Line ends of every kind, a 2-, 3- and 4-byte character, malformed sequences
    // (a lone lead byte, a stray continuation byte, a cut-off character at the end).
    const std::string utf8 = "a\r\nb\rc\n\xC3\xA9\xE2\x82\xAC\xF0\x9F\x93\xBB\xC3x\x80\r\r\n\xE2\x82";
    const std::string whole = modem::entryTextFromUtf8(utf8);
    EXPECT_EQ(whole, "a\r\nb\r\nc\r\n\xE9\x80??x?\r\n\r\n?");
    for (std::size_t cut = 0; cut <= utf8.size(); ++cut) {
        modem::EntryTextConverter converter;
        std::string pieces;
        converter.append(utf8.substr(0, cut), pieces);
        converter.append(utf8.substr(cut), pieces);
        converter.finish(pieces);
        EXPECT_EQ(pieces, whole) << "cut at " << cut;
    }
}

TEST(ModemEncode, TextArrivingByteByByteGivesTheSameSignal)
{
    // The queue is shown the text a character at a time while it arrives; the
    // signal must be that of the whole text typed before "Turn On".
    const std::string text = std::string(300, 'e') + " CQ de DL1ABC\r\n" + std::string(200, '\xFF');
    std::size_t next = 0;
    int calls = 0;
    std::vector<std::int16_t> streamed;
    modem::streamTransmission(
        [&](std::string& piece) {
            if (next == text.size())
                return false;
            if (++calls % 7 != 3)  // now and then a piece without any text
                piece = text.substr(next++, 1);
            return true;
        },
        64, 3, [&](const std::int16_t* x, std::size_t n) { streamed.insert(streamed.end(), x, x + n); });
    // Every character's word and "00" back to back (a line end as space, then LF),
    // no idle word anywhere before the three at the end.
    std::string bits = kPreamble + "0";
    for (char c : text)
        bits += std::string(VaricodeTable::codeFor(c == '\r' ? ' ' : static_cast<std::uint8_t>(c))) + "00";
    EXPECT_EQ(streamed, synthesize(bits + kIdle + kIdle + kIdle, 64));
}

TEST(ModemEncode, CommandWritesRawSamplesOrAWavFile)
{
    const auto expected = modem::encodeTransmission("hi", 128, 2);

    const ModemRun raw = runModem("encode --baud 250 hi");
    EXPECT_EQ(raw.exitCode, 0);
    EXPECT_EQ(fromLittleEndian(raw.out), expected);

    const ModemRun fromStdin = runModem("encode --baud 250 -o -", "hi");
    EXPECT_EQ(fromLittleEndian(fromStdin.out), expected);

    const auto wav = (std::filesystem::temp_directory_path() / "msk-encode-test.wav").string();
    std::filesystem::remove(wav);
    EXPECT_EQ(runModem("encode --baud 250 -o " + wav + " hi").exitCode, 0);
    SF_INFO info{};
    SNDFILE* file = sf_open(wav.c_str(), SFM_READ, &info);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(info.samplerate, 32000);
    EXPECT_EQ(info.channels, 1);
    EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    std::vector<std::int16_t> samples(static_cast<std::size_t>(info.frames));
    sf_read_short(file, samples.data(), info.frames);
    sf_close(file);
    EXPECT_EQ(samples, expected);
    std::filesystem::remove(wav);
}

TEST(ModemEncode, BadInputGetsAnErrorAndNoFile)
{
    EXPECT_EQ(runModem("encode --baud 100 hi").exitCode, 2);
    EXPECT_EQ(runModem("encode --idle -1 hi").exitCode, 2);
    EXPECT_EQ(runModem("encode --idle").exitCode, 2);
    EXPECT_EQ(runModem("encode --volume 3 hi").exitCode, 2);
    EXPECT_EQ(runModem("encode one two").exitCode, 2);
    EXPECT_EQ(runModem("").exitCode, 2);
    EXPECT_EQ(runModem("transmit hi").exitCode, 2);

    const auto missing = std::filesystem::temp_directory_path() / "no-such-folder-msk" / "out.wav";
    EXPECT_EQ(runModem("encode -o " + missing.string() + " hi").exitCode, 1);
    EXPECT_FALSE(std::filesystem::exists(missing));
    EXPECT_FALSE(std::filesystem::exists(missing.string() + ".part"));
}

// A WAV file is plain (a 44-byte header) while a 32-bit header can count its
// samples; beyond that it turns into RF64 and keeps every sample. Here a plain file
// may hold only 1000 frames.
TEST(WavWriter, TurnsIntoRf64WhenAPlainHeaderCannotCountTheSamples)
{
    const auto dir = std::filesystem::temp_directory_path() / "msk-wav-writer-test";
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "out.wav").string();
    std::vector<std::int16_t> x(2500);
    for (std::size_t n = 0; n < x.size(); ++n)
        x[n] = static_cast<std::int16_t>(n * 7 - 9000);
    for (std::size_t frames : {std::size_t{1000}, x.size()}) {
        {
            modem::WavWriter writer(path, 8000, std::nullopt, 1000);
            for (std::size_t n = 0; n < frames; n += 300)
                writer.write(x.data() + n, std::min<std::size_t>(300, frames - n));
            writer.commit();
        }
        SF_INFO info{};
        SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(info.format, (frames <= 1000 ? SF_FORMAT_WAV : SF_FORMAT_RF64) | SF_FORMAT_PCM_16) << frames;
        EXPECT_EQ(info.samplerate, 8000);
        std::vector<std::int16_t> samples(static_cast<std::size_t>(info.frames));
        sf_read_short(file, samples.data(), info.frames);
        sf_close(file);
        EXPECT_EQ(samples, std::vector<std::int16_t>(x.begin(), x.begin() + static_cast<std::ptrdiff_t>(frames)));
        if (frames <= 1000) {  // 44 bytes of header, 2 a sample
            EXPECT_EQ(std::filesystem::file_size(path), 44u + 2 * frames);
        }
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);  // no temporary left
    }
    std::filesystem::remove_all(dir);
}
