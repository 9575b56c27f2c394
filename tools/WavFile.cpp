#include "WavFile.h"

#include "ModemArgs.h"

#include <filesystem>

namespace modem {

SndfilePtr openForReading(const std::string& path, SF_INFO& info)
{
    info = SF_INFO{};
    SndfilePtr file(sf_open(path.c_str(), SFM_READ, &info));
    if (!file)
        throw IoError("cannot read " + path + ": " + sf_strerror(nullptr));
    if (info.channels < 1 || info.samplerate < 1)
        throw IoError("cannot read " + path + ": no audio in it");
    return file;
}

void writeWav(const std::string& path, int sampleRate, const std::vector<std::int16_t>& samples)
{
    const std::string temporary = path + ".part";
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(temporary.c_str(), SFM_WRITE, &info);
    if (!file)
        throw IoError("cannot write " + path + ": " + sf_strerror(nullptr));
    const auto count = static_cast<sf_count_t>(samples.size());
    const bool written = sf_write_short(file, samples.data(), count) == count;
    const bool closed = sf_close(file) == 0;
    std::error_code ec;
    if (!written || !closed) {
        std::filesystem::remove(temporary, ec);
        throw IoError("cannot write " + path);
    }
    std::filesystem::rename(temporary, path, ec);
    if (ec) {
        std::filesystem::remove(temporary, ec);
        throw IoError("cannot write " + path + ": " + ec.message());
    }
}

}  // namespace modem
