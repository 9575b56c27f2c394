#pragma once
// WAV files for the msk-modem commands, through libsndfile.

#include <sndfile.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace modem {

struct SndfileCloser {
    void operator()(SNDFILE* f) const { sf_close(f); }
};
using SndfilePtr = std::unique_ptr<SNDFILE, SndfileCloser>;

// Opens a sound file for reading; IoError when it cannot be read or holds no audio.
SndfilePtr openForReading(const std::string& path, SF_INFO& info);

// Writes 16-bit mono samples through a temporary file beside the target and renames
// it into place, so a failed run never leaves a partial file that looks complete.
void writeWav(const std::string& path, int sampleRate, const std::vector<std::int16_t>& samples);

}  // namespace modem
