// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Cm108PttLine.h"

#include <cerrno>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace {
std::string systemError(int code)
{
    return std::strerror(code);
}
}  // namespace

Cm108PttLine::Cm108PttLine(const PttMethod& method) : method_(method) {}

Cm108PttLine::~Cm108PttLine()
{
    close();
}

std::array<std::uint8_t, Cm108PttLine::kReportBytes> Cm108PttLine::report(int gpio, bool keyed)
{
    const auto pin = static_cast<std::uint8_t>(1u << (gpio - 1));
    return {0, 0, keyed ? pin : std::uint8_t{0}, pin, 0};
}

bool Cm108PttLine::open(std::string& error)
{
    close();
    if (method_.gpio < 1 || method_.gpio > kHighestGpio) {
        error = "CM108 GPIO " + std::to_string(method_.gpio) + " does not exist (1 to 8)";
        return false;
    }
    // Write only: the report goes out, nothing is read. No O_CREAT: a mistyped
    // path must fail, not make a file.
    fd_ = ::open(method_.device.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd_ < 0) {
        error = "Cannot open the CM108 interface " + method_.device + ": " + systemError(errno);
        return false;
    }
    return true;
}

bool Cm108PttLine::setKeyed(bool keyed, std::string& error)
{
    if (fd_ < 0) {
        error = "The CM108 interface " + method_.device + " is not open";
        return false;
    }
    const auto bytes = report(method_.gpio, keyed);
    ssize_t written = -1;
    do
        written = ::write(fd_, bytes.data(), bytes.size());
    while (written < 0 && errno == EINTR);
    if (written != static_cast<ssize_t>(bytes.size())) {
        error = "The CM108 interface " + method_.device + (keyed ? " would not key: " : " would not release PTT: ") +
                (written < 0 ? systemError(errno) : std::string("short write"));
        return false;
    }
    return true;
}

void Cm108PttLine::close()
{
    if (fd_ < 0)
        return;
    std::string ignored;
    setKeyed(false, ignored);  // never left keyed behind the program
    ::close(fd_);
    fd_ = -1;
}
