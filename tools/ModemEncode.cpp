// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/ModemEncode.h"

#include "modem/transmit/KeyingEnvelope.h"
#include "modem/transmit/MskSynthesizer.h"
#include "modem/transmit/TransmitPreamble.h"
#include "modem/transmit/TxBitQueue.h"
#include "modem/varicode/VaricodeTable.h"
#include "modem/varicode/Windows1252.h"
#include "tools/ModemArgs.h"
#include "tools/WavFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <optional>
#include <utility>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace modem {
namespace {

constexpr std::size_t kBlockSamples = 16384;     // samples handed on at a time
constexpr std::size_t kInputPiece = 65536;       // bytes read from standard input at a time
// The queue is shown one more character of the text whenever fewer bits than this
// wait in it. Any character has at least 3 bits (code word and "00"), so the queue
// never runs dry before the text ends, and the bits on the air are the same as if
// the whole text had stood in the entry from the start; but the queue holds a few
// dozen bits instead of the whole text's.
constexpr std::int64_t kQueueLowWater = 64;     // bits

bool isContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The continuation bytes a UTF-8 lead byte announces (0 for ASCII and for bytes
// that cannot start a sequence).
int continuationBytes(char c)
{
    const auto b = static_cast<unsigned char>(c);
    if ((b & 0xE0) == 0xC0)
        return 1;
    if ((b & 0xF0) == 0xE0)
        return 2;
    if ((b & 0xF8) == 0xF0)
        return 3;
    return 0;
}

std::int64_t bitsOnTheAir(std::uint8_t byte)
{
    if (byte == varicode::kCarriageReturn)
        byte = varicode::kSpace;  // a line end goes out as space, then LF
    return static_cast<std::int64_t>(VaricodeTable::codeFor(byte).size() + varicode::kSeparator.size());
}

// The entry as the bit queue sees it while the text still arrives: only the bytes
// shown so far count, and those the queue has taken are dropped.
class ArrivingText : public TxTextSource {
public:
    explicit ArrivingText(const EntryTextPieces& pieces) : pieces_(pieces) {}

    std::int64_t length() const override { return shown_; }
    std::uint8_t byteAt(std::int64_t index) const override
    {
        return static_cast<std::uint8_t>(buffer_[static_cast<std::size_t>(index - base_)]);
    }

    // Shows one more byte and returns its bits on the air, or 0 at the end of the
    // text. Every byte shown before has been taken by the queue.
    std::int64_t showNext()
    {
        while (shown_ == base_ + static_cast<std::int64_t>(buffer_.size())) {
            if (ended_)
                return 0;
            base_ = shown_;
            buffer_.clear();
            if (!pieces_(buffer_)) {
                ended_ = true;
                buffer_.clear();
            }
        }
        return bitsOnTheAir(byteAt(shown_++));
    }
    bool ended() const { return ended_; }

private:
    const EntryTextPieces& pieces_;
    std::string buffer_;     // buffer_[0] is byte base_ of the entry
    std::int64_t base_ = 0;
    std::int64_t shown_ = 0;
    bool ended_ = false;
};

class NoStatus : public TxStatusSink {
public:
    void setStatusText(const std::string&) override {}
};

// Raw signed 16-bit little-endian samples on standard output.
class RawOutput {
public:
    RawOutput()
    {
#ifdef _WIN32
        _setmode(_fileno(stdout), _O_BINARY);  // samples are bytes: no line-end translation
#endif
    }
    void write(const std::int16_t* samples, std::size_t count)
    {
        bytes_.resize(count * 2);
        for (std::size_t i = 0; i < count; ++i) {
            const auto u = static_cast<std::uint16_t>(samples[i]);
            bytes_[2 * i] = static_cast<unsigned char>(u & 0xFF);
            bytes_[2 * i + 1] = static_cast<unsigned char>(u >> 8);
        }
        if (std::fwrite(bytes_.data(), 1, bytes_.size(), stdout) != bytes_.size())
            fail();
    }
    void finish()
    {
        if (std::fflush(stdout) != 0)
            fail();
    }

private:
    [[noreturn]] static void fail() { throw IoError("cannot write to standard output: " + systemErrorText(errno)); }
    std::vector<unsigned char> bytes_;
};

// The UTF-8 text on standard input, in pieces of entry text. A read error (a
// closed standard input, a directory) is an IoError, not an empty text.
class StandardInputText {
public:
    bool operator()(std::string& piece)
    {
        if (finished_)
            return false;
        const std::size_t got = std::fread(chunk_.data(), 1, chunk_.size(), stdin);
        if (got < chunk_.size() && std::ferror(stdin))
            throw IoError("cannot read standard input: " + systemErrorText(errno));
        converter_.append(std::string_view(chunk_.data(), got), piece);
        if (got < chunk_.size() && std::feof(stdin)) {
            converter_.finish(piece);
            finished_ = true;
        }
        return true;
    }

private:
    std::vector<char> chunk_ = std::vector<char>(kInputPiece);
    EntryTextConverter converter_;
    bool finished_ = false;
};

}  // namespace

void EntryTextConverter::append(std::string_view utf8, std::string& out)
{
    pending_.append(utf8);
    // Hold back a character whose continuation bytes have not all arrived: the
    // last byte that can start a sequence, when fewer bytes than it announces
    // follow it. Everything before that byte converts the same whatever follows.
    std::size_t cut = pending_.size();
    for (std::size_t i = pending_.size(); i > 0; --i) {
        if (!isContinuationByte(pending_[i - 1])) {
            if (pending_.size() - i < static_cast<std::size_t>(continuationBytes(pending_[i - 1])))
                cut = i - 1;
            break;
        }
    }
    lineEnds(windows1252::fromUtf8(std::string_view(pending_).substr(0, cut)), out);
    pending_.erase(0, cut);
}

void EntryTextConverter::finish(std::string& out)
{
    lineEnds(windows1252::fromUtf8(pending_), out);
    pending_.clear();
}

void EntryTextConverter::lineEnds(std::string_view bytes, std::string& out)
{
    for (char c : bytes) {
        const bool lineFeedOfCrLf = c == '\n' && afterCarriageReturn_;
        afterCarriageReturn_ = c == '\r';
        if (lineFeedOfCrLf)
            continue;
        if (c == '\r' || c == '\n')
            out += "\r\n";
        else
            out += c;
    }
}

std::string entryTextFromUtf8(std::string_view utf8)
{
    EntryTextConverter converter;
    std::string entry;
    entry.reserve(utf8.size() + utf8.size() / 16);
    converter.append(utf8, entry);
    converter.finish(entry);
    return entry;
}

void streamTransmission(const EntryTextPieces& text, int samplesPerBit, int idleUnits, const SampleBlockOutput& output,
                        KeyingEdges edges)
{
    ArrivingText entry(text);
    NoStatus status;
    TxBitQueue queue(entry, status);
    MskSynthesizer synthesizer;
    synthesizer.setSamplesPerBit(samplesPerBit);
    const auto perBit = static_cast<std::size_t>(synthesizer.samplesPerBit());
    std::vector<std::int16_t> block(std::max<std::size_t>(1, kBlockSamples / perBit) * perBit);
    std::size_t filled = 0;
    const auto send = [&](int bit) {
        synthesizer.fillBit(block.data() + filled, bit);
        filled += perBit;
        if (filled == block.size()) {
            output(block.data(), filled);
            filled = 0;
        }
    };

    // The first character is looked at before anything goes out, so that input
    // that cannot be read stops the run before a sample is written.
    std::int64_t textBits = entry.showNext();
    if (edges == KeyingEdges::Shaped)
        synthesizer.startRise();
    for (int i = 0; i < kPreambleBuffers; ++i)
        send(preambleBit(i));

    // The first request hands out the start value 0 (and takes the first
    // character); after it come the text's bits and then the idle units.
    const std::int64_t idleBits =
        static_cast<std::int64_t>(idleUnits) * bitsOnTheAir(varicode::kIdleCharacter);
    for (std::int64_t requests = 0;; ++requests) {
        if (requests > 0 && queue.queuedBits() - queue.readPos() < kQueueLowWater)
            textBits += entry.showNext();
        if (entry.ended() && requests == 1 + textBits + idleBits)
            break;
        send(queue.nextBit());
    }
    if (filled > 0)
        output(block.data(), filled);
    if (edges == KeyingEdges::Hard)
        return;
    // The over ends as the transmitter ends it: the last bit's tone fades out.
    std::int16_t fall[keying::kEdgeSamples];
    synthesizer.fillFall(fall, synthesizer.toneState());
    output(fall, keying::kEdgeSamples);
}

std::vector<std::int16_t> encodeTransmission(std::string_view entryText, int samplesPerBit, int idleUnits,
                                             KeyingEdges edges)
{
    bool given = false;
    std::vector<std::int16_t> samples;
    streamTransmission(
        [&](std::string& piece) {
            piece.assign(entryText);
            return !std::exchange(given, true);
        },
        samplesPerBit, idleUnits,
        [&](const std::int16_t* block, std::size_t count) { samples.insert(samples.end(), block, block + count); },
        edges);
    return samples;
}

int runEncode(int argc, char** argv)
{
    int samplesPerBit = MskSynthesizer::kStartSamplesPerBit;
    int idleUnits = kDefaultIdleUnits;
    std::string output = "-";
    std::optional<std::string> text;
    CommandLine args(argc, argv);
    while (args.next()) {
        const std::string_view arg = args.argument();
        if (!args.isOption()) {
            if (text)
                throw UsageError("more than one TEXT argument (quote the text)");
            text = std::string(arg);
        } else if (arg == "--baud") {
            samplesPerBit = samplesPerBitForBaud(args.value());
        } else if (arg == "--idle") {
            idleUnits = static_cast<int>(parseInteger("--idle", args.value(), 0, 100000));
        } else if (arg == "-o") {
            output = args.value();
        } else {
            throw UsageError("unknown option " + std::string(arg));
        }
    }

    std::optional<WavWriter> wav;
    std::optional<RawOutput> raw;
    if (output == "-")
        raw.emplace();
    else
        wav.emplace(output, kEncodeSampleRate);

    StandardInputText standardInput;
    bool given = false;
    const EntryTextPieces pieces = [&](std::string& piece) {
        if (!text)
            return standardInput(piece);
        piece = entryTextFromUtf8(*text);
        return !std::exchange(given, true);
    };
    streamTransmission(pieces, samplesPerBit, idleUnits, [&](const std::int16_t* samples, std::size_t count) {
        if (raw)
            raw->write(samples, count);
        else
            wav->write(samples, count);
    });
    if (raw)
        raw->finish();
    else
        wav->commit();
    return kExitOk;
}

}  // namespace modem
