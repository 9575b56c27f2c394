#pragma once
// WAV files for the msk-modem commands, through libsndfile.

#include "tools/OutputFile.h"

#include <sndfile.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace modem {

struct SndfileCloser {
    void operator()(SNDFILE* f) const { sf_close(f); }
};
using SndfilePtr = std::unique_ptr<SNDFILE, SndfileCloser>;

// Opens a sound file for reading; IoError when it cannot be read or holds no audio,
// or when it is a plain WAV file larger than its header can count (4 GiB): such a
// file's sizes have wrapped round, and reading it would end early without a word.
SndfilePtr openForReading(const std::string& path, SF_INFO& info);

// A plain WAV file counts its bytes in 32 bits: the RIFF chunk's size, the 36 bytes
// of header after it plus the samples, must stay within 0xFFFFFFFF. At 2 bytes a
// frame (16-bit mono): (4294967295 - 36) / 2 = 2147483629 frames, 18.6 hours at
// 32000 per second.
inline constexpr std::int64_t kPlainWavMaxFrames = (0xFFFFFFFFLL - 36) / 2;

// Writes a 16-bit mono WAV file block by block, into an OutputFile (see there for
// how the file is put in place, and which files are refused). The file is a plain
// 44-byte-header WAV file while its samples fit one; a longer output turns into an
// RF64 file, which counts in 64 bits: what was written so far is copied into a
// fresh temporary in that format once, and writing goes on there. A device cannot
// take that turn: more than a plain WAV file's worth into one is an IoError.
class WavWriter {
public:
    // input: the command's input, which the output must not be. plainMaxFrames: the
    // most frames a plain WAV file takes (tests make it small).
    WavWriter(const std::string& path, int sampleRate, std::optional<FileIdentity> input = std::nullopt,
              std::int64_t plainMaxFrames = kPlainWavMaxFrames);
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    void write(const std::int16_t* samples, std::size_t count);
    // Finishes the file and puts it in place. IoError when that fails.
    void commit();

private:
    void turnIntoRf64();

    std::string path_;  // as given, for messages
    int sampleRate_;
    std::int64_t plainMaxFrames_;
    OutputFile output_;
    SndfilePtr file_;
    std::int64_t frames_ = 0;
    bool rf64_ = false;
};

}  // namespace modem
