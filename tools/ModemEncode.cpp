#include "ModemEncode.h"

#include "ModemArgs.h"
#include "MskSynthesizer.h"
#include "TransmitPreamble.h"
#include "TxBitQueue.h"
#include "VaricodeTable.h"
#include "Windows1252.h"
#include "WavFile.h"

#include <cstdio>
#include <iostream>
#include <iterator>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace modem {
namespace {

class FixedText : public TxTextSource {
public:
    explicit FixedText(std::string_view text) : text_(text) {}
    std::int64_t length() const override { return static_cast<std::int64_t>(text_.size()); }
    std::uint8_t byteAt(std::int64_t i) const override { return static_cast<std::uint8_t>(text_[static_cast<std::size_t>(i)]); }

private:
    std::string_view text_;
};

class NoStatus : public TxStatusSink {
public:
    void setStatusText(const std::string&) override {}
};

std::int64_t bitsFor(std::string_view entryText)
{
    std::int64_t bits = 0;
    for (char c : entryText) {
        auto byte = static_cast<std::uint8_t>(c);
        if (byte == varicode::kCarriageReturn)
            byte = varicode::kSpace;
        bits += static_cast<std::int64_t>(VaricodeTable::codeFor(byte).size() + varicode::kSeparator.size());
    }
    return bits;
}

void writeRaw(const std::vector<std::int16_t>& samples)
{
    std::vector<unsigned char> bytes;
    bytes.reserve(samples.size() * 2);
    for (std::int16_t s : samples) {
        const auto u = static_cast<std::uint16_t>(s);
        bytes.push_back(static_cast<unsigned char>(u & 0xFF));
        bytes.push_back(static_cast<unsigned char>(u >> 8));
    }
#ifdef _WIN32
    // Raw samples are bytes: a 0x0A must not become 0x0D 0x0A.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() || std::fflush(stdout) != 0)
        throw IoError("cannot write to standard output");
}

}  // namespace

std::string entryTextFromUtf8(std::string_view utf8)
{
    const std::string bytes = windows1252::fromUtf8(utf8);
    std::string entry;
    entry.reserve(bytes.size() + bytes.size() / 16);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\r') {
            entry += "\r\n";
            if (i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
        } else if (c == '\n') {
            entry += "\r\n";
        } else {
            entry += c;
        }
    }
    return entry;
}

std::vector<std::int16_t> encodeTransmission(std::string_view entryText, int samplesPerBit, int idleUnits)
{
    FixedText text(entryText);
    NoStatus status;
    TxBitQueue queue(text, status);
    MskSynthesizer synthesizer;
    synthesizer.setSamplesPerBit(samplesPerBit);

    // The first request hands out the start value 0 and takes nothing from the
    // queue; after it come the text's bits and then the idle units.
    const std::int64_t idleBits =
        static_cast<std::int64_t>(idleUnits) *
        static_cast<std::int64_t>(VaricodeTable::codeFor(varicode::kIdleCharacter).size() + varicode::kSeparator.size());
    const std::int64_t requests = 1 + bitsFor(entryText) + idleBits;

    const auto perBit = static_cast<std::size_t>(synthesizer.samplesPerBit());
    std::vector<std::int16_t> samples(static_cast<std::size_t>(kPreambleBuffers + requests) * perBit);
    std::int16_t* out = samples.data();
    for (int i = 0; i < kPreambleBuffers; ++i, out += perBit)
        synthesizer.fillBit(out, preambleBit(i));
    for (std::int64_t i = 0; i < requests; ++i, out += perBit)
        synthesizer.fillBit(out, queue.nextBit());
    return samples;
}

int runEncode(int argc, char** argv)
{
    int samplesPerBit = MskSynthesizer::kStartSamplesPerBit;
    int idleUnits = kDefaultIdleUnits;
    std::string output = "-";
    std::optional<std::string> text;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--baud")
            samplesPerBit = samplesPerBitForBaud(optionValue(argc, argv, i));
        else if (arg == "--idle")
            idleUnits = static_cast<int>(parseInteger("--idle", optionValue(argc, argv, i), 0, 100000));
        else if (arg == "-o")
            output = optionValue(argc, argv, i);
        else if (arg.size() > 1 && arg[0] == '-')
            throw UsageError("unknown option " + std::string(arg));
        else if (text)
            throw UsageError("more than one TEXT argument (quote the text)");
        else
            text = std::string(arg);
    }
    if (!text) {
        text = std::string(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
        if (std::cin.bad())
            throw IoError("cannot read standard input");
    }
    const auto samples = encodeTransmission(entryTextFromUtf8(*text), samplesPerBit, idleUnits);
    if (output == "-")
        writeRaw(samples);
    else
        writeWav(output, kEncodeSampleRate, samples);
    return kExitOk;
}

}  // namespace modem
