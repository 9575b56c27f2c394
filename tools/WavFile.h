// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// WAV files for the msk-modem commands, through libsndfile.

#include <sndfile.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace modem {

struct SndfileCloser {
    void operator()(SNDFILE* f) const { sf_close(f); }
};
using SndfilePtr = std::unique_ptr<SNDFILE, SndfileCloser>;

// Opens a sound file for reading; IoError when it cannot be read or holds no audio.
SndfilePtr openForReading(const std::string& path, SF_INFO& info);

// Writes a 16-bit mono WAV file block by block. A regular file (or a new one) is
// written as PATH.part beside the target and renamed into place by commit(), so a
// failed run never leaves a partial file that looks complete; a writer destroyed
// without commit() removes it. Through a symbolic link the file it names is
// replaced, the link stays. A device such as /dev/null is written in place.
// A pipe or socket is refused (UsageError): a WAV header's lengths are filled in at
// the end, which needs a file that can seek back. So is a directory (IoError) and
// an empty name (UsageError).
class WavWriter {
public:
    WavWriter(const std::string& path, int sampleRate);
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    void write(const std::int16_t* samples, std::size_t count);
    // Finishes the file and puts it in place. IoError when that fails.
    void commit();

private:
    void abandon();

    std::string path_;     // as given, for messages
    std::string target_;   // the file that ends up written: path_, or what its link names
    std::string written_;  // the file libsndfile writes: target_ or its temporary
    SNDFILE* file_ = nullptr;
};

}  // namespace modem
