#include "tools/WavFile.h"

#include "tools/ModemArgs.h"

#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace modem {
namespace {

// The most bytes a RIFF file can have: its first chunk's 8-byte head and a size
// counted in 32 bits.
constexpr std::int64_t kMaxRiffFileBytes = 0xFFFFFFFFLL + 8;
constexpr sf_count_t kCopyFrames = 65536;  // frames copied at a time into RF64

SF_INFO monoPcm16(int rate, int container)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 1;
    info.format = container | SF_FORMAT_PCM_16;
    return info;
}

std::int64_t fileBytes(const std::string& path)
{
    struct stat st {};
    if ((path == "-" ? ::fstat(STDIN_FILENO, &st) : ::stat(path.c_str(), &st)) != 0 || !S_ISREG(st.st_mode))
        return 0;
    return static_cast<std::int64_t>(st.st_size);
}

}  // namespace

SndfilePtr openForReading(const std::string& path, SF_INFO& info)
{
    info = SF_INFO{};
    SndfilePtr file(sf_open(path.c_str(), SFM_READ, &info));
    if (!file)
        throw IoError("cannot read " + path + ": " + sf_strerror(nullptr));
    if (info.channels < 1 || info.samplerate < 1)
        throw IoError("cannot read " + path + ": no audio in it");
    const int container = info.format & SF_FORMAT_TYPEMASK;
    if ((container == SF_FORMAT_WAV || container == SF_FORMAT_WAVEX) && fileBytes(path) > kMaxRiffFileBytes)
        throw IoError("cannot read " + path + ": it is a WAV file larger than 4 GiB, more than its header can count, "
                      "so the header's lengths are wrong (an RF64 file counts such lengths)");
    return file;
}

WavWriter::WavWriter(const std::string& path, int sampleRate, std::optional<FileIdentity> input,
                     std::int64_t plainMaxFrames)
    : path_(path), sampleRate_(sampleRate), plainMaxFrames_(plainMaxFrames), output_(path, input)
{
    SF_INFO info = monoPcm16(sampleRate, SF_FORMAT_WAV);
    file_.reset(sf_open_fd(output_.descriptor(), SFM_WRITE, &info, SF_FALSE));
    if (!file_)
        throw IoError("cannot write " + path + ": " + sf_strerror(nullptr));
}

WavWriter::~WavWriter() = default;  // an output not committed is removed

void WavWriter::write(const std::int16_t* samples, std::size_t count)
{
    const auto n = static_cast<sf_count_t>(count);
    if (!rf64_ && frames_ + n > plainMaxFrames_)
        turnIntoRf64();
    if (sf_write_short(file_.get(), samples, n) != n) {
        const std::string why = sf_strerror(file_.get());
        file_.reset();
        throw IoError("cannot write " + path_ + ": " + why);
    }
    frames_ += n;
}

void WavWriter::turnIntoRf64()
{
    if (output_.inPlace())
        throw IoError("cannot write " + path_ + ": a WAV file over 4 GiB needs a regular file to turn into RF64");
    const int closed = sf_close(file_.release());
    if (closed != 0)
        throw IoError("cannot write " + path_ + ": " + sf_error_number(closed));
    // libsndfile takes a descriptor's position as the start of the sound file.
    if (::lseek(output_.descriptor(), 0, SEEK_SET) != 0)
        throw IoError("cannot read back " + path_ + " to make it RF64");
    SF_INFO plainInfo{};
    SndfilePtr plain(sf_open_fd(output_.descriptor(), SFM_READ, &plainInfo, SF_FALSE));
    if (!plain)
        throw IoError("cannot read back " + path_ + " to make it RF64: " + sf_strerror(nullptr));

    TemporaryFile next = output_.sibling();
    SF_INFO info = monoPcm16(sampleRate_, SF_FORMAT_RF64);
    SndfilePtr rf64(sf_open_fd(next.descriptor(), SFM_WRITE, &info, SF_FALSE));
    if (!rf64)
        throw IoError("cannot write " + path_ + ": " + sf_strerror(nullptr));
    std::vector<std::int16_t> block(static_cast<std::size_t>(kCopyFrames));
    sf_count_t copied = 0;
    for (sf_count_t got; (got = sf_readf_short(plain.get(), block.data(), kCopyFrames)) > 0; copied += got)
        if (sf_writef_short(rf64.get(), block.data(), got) != got)
            throw IoError("cannot write " + path_ + ": " + sf_strerror(rf64.get()));
    if (copied != frames_)
        throw IoError("cannot read back " + path_ + " to make it RF64: " + std::to_string(copied) + " of " +
                      std::to_string(frames_) + " samples");
    plain.reset();
    output_.adopt(std::move(next));
    file_ = std::move(rf64);
    rf64_ = true;
}

void WavWriter::commit()
{
    const int closed = sf_close(file_.release());
    if (closed != 0)
        throw IoError("cannot write " + path_ + ": " + sf_error_number(closed));
    output_.commit();
}

}  // namespace modem
