// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/WavFile.h"

#include "tools/ModemArgs.h"

#include <filesystem>

namespace modem {

namespace fs = std::filesystem;

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

WavWriter::WavWriter(const std::string& path, int sampleRate) : path_(path)
{
    if (path.empty())
        throw UsageError("the output needs a file name");
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);  // follows a symbolic link
    if (fs::is_directory(status))
        throw IoError("cannot write " + path + ": it is a directory");
    if (fs::is_fifo(status) || fs::is_socket(status))
        throw UsageError("cannot write a WAV file into " + path +
                         ": it is a pipe, and a WAV header is completed at the end, which needs a file");
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        written_ = target_ = path;  // a device: written in place
    } else {
        // Through a symbolic link, the file it names is replaced, not the link.
        const fs::path resolved = fs::is_symlink(fs::symlink_status(path, ec)) ? fs::canonical(path, ec) : fs::path();
        target_ = ec || resolved.empty() ? path : resolved.string();
        written_ = target_ + ".part";
    }

    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    file_ = sf_open(written_.c_str(), SFM_WRITE, &info);
    if (!file_)
        throw IoError("cannot write " + path + ": " + sf_strerror(nullptr));
}

WavWriter::~WavWriter()
{
    if (file_)
        abandon();
}

void WavWriter::write(const std::int16_t* samples, std::size_t count)
{
    const auto n = static_cast<sf_count_t>(count);
    if (sf_write_short(file_, samples, n) != n) {
        const std::string why = sf_strerror(file_);
        abandon();
        throw IoError("cannot write " + path_ + ": " + why);
    }
}

void WavWriter::commit()
{
    const int closed = sf_close(file_);
    file_ = nullptr;
    std::error_code ec;
    if (closed != 0) {
        if (written_ != target_)
            fs::remove(written_, ec);
        throw IoError("cannot write " + path_ + ": " + sf_error_number(closed));
    }
    if (written_ == target_)
        return;
    fs::rename(written_, target_, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(written_, ignored);
        throw IoError("cannot write " + path_ + ": " + ec.message());
    }
}

void WavWriter::abandon()
{
    sf_close(file_);
    file_ = nullptr;
    std::error_code ec;
    if (written_ != target_)
        fs::remove(written_, ec);
}

}  // namespace modem
