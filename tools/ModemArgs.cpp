#include "tools/ModemArgs.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <system_error>

namespace modem {
namespace {

struct BaudRow {
    std::string_view name;
    int samplesPerBit;  // transmitter, 32000 samples per second
    double tickRate;    // receiver, 16 ticks per bit
};
constexpr std::array<BaudRow, 5> kBauds = {{
    {"31", 1024, 500.0},
    {"63", 512, 1000.0},
    {"125", 256, 2000.0},
    {"250", 128, 4000.0},
    {"500", 64, 8000.0},
}};

const BaudRow& baudRow(std::string_view text)
{
    for (const BaudRow& row : kBauds)
        if (row.name == text)
            return row;
    throw UsageError("--baud must be 31, 63, 125, 250 or 500, not '" + std::string(text) + "'");
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Digits with an optional leading '-' and, when fraction is allowed, at most one
// '.' with a digit on at least one side of it.
bool isPlainDecimal(std::string_view text, bool fraction)
{
    if (!text.empty() && text.front() == '-')
        text.remove_prefix(1);
    bool digit = false;
    bool point = false;
    for (char c : text) {
        if (isDigit(c))
            digit = true;
        else if (c == '.' && fraction && !point)
            point = true;
        else
            return false;
    }
    return digit;
}

std::string trimmed(double value)
{
    std::string s = std::to_string(value);
    while (s.find('.') != std::string::npos && (s.back() == '0' || s.back() == '.'))
        s.pop_back();
    return s;
}

}  // namespace

long long parseInteger(std::string_view option, std::string_view text, long long low, long long high)
{
    long long value = 0;
    const char* end = text.data() + text.size();
    // A number too large for long long is out of range, not 0.
    const std::from_chars_result read = std::from_chars(text.data(), end, value);
    const bool ok = isPlainDecimal(text, false) && read.ec == std::errc() && read.ptr == end;
    if (!ok || value < low || value > high)
        throw UsageError(std::string(option) + " must be a whole number from " + std::to_string(low) + " to " +
                         std::to_string(high) + ", not '" + std::string(text) + "'");
    return value;
}

double parseReal(std::string_view option, std::string_view text, double low, double high)
{
    double value = 0;
    const char* end = text.data() + text.size();
    // from_chars reads the C locale's decimal point, whatever the user's locale. A
    // number beyond double's range (or too small for it) leaves value 0 and says so.
    const std::from_chars_result read = std::from_chars(text.data(), end, value);
    const bool ok = isPlainDecimal(text, true) && read.ec == std::errc() && read.ptr == end;
    if (!ok || !std::isfinite(value) || value < low || value > high)
        throw UsageError(std::string(option) + " must be a number from " + trimmed(low) + " to " + trimmed(high) +
                         ", not '" + std::string(text) + "'");
    return value;
}

int samplesPerBitForBaud(std::string_view text) { return baudRow(text).samplesPerBit; }
double tickRateForBaud(std::string_view text) { return baudRow(text).tickRate; }

bool isHelpOption(std::string_view arg) { return arg == "--help" || arg == "-h"; }

bool CommandLine::next()
{
    if (++i_ >= argc_)
        return false;
    const std::string_view arg = argument();
    if (!operandsOnly_ && arg == "--") {
        operandsOnly_ = true;
        return next();
    }
    option_ = !operandsOnly_ && arg.size() > 1 && arg[0] == '-';
    if (option_ && isHelpOption(arg))
        throw HelpRequest{};
    return true;
}

std::string_view CommandLine::value()
{
    if (i_ + 1 >= argc_)
        throw UsageError(std::string(argument()) + " needs a value");
    return argv_[++i_];
}

void requireRecordingRate(const std::string& path, long long rate, std::string_view command)
{
    if (rate < kMinRecordingRate || rate > kMaxRecordingRate)
        throw IoError(path + " has " + std::to_string(rate) + " samples per second; " + std::string(command) +
                      " takes " + std::to_string(kMinRecordingRate) + " to " + std::to_string(kMaxRecordingRate));
}

std::string notFiniteSample(const std::string& path, double value, std::int64_t position, int rate)
{
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.6f", static_cast<double>(position) / rate);
    return "cannot use " + path + ": its sample " + std::to_string(position) + " (counting from 0, at " + seconds +
           " s) is " + (std::isnan(value) ? "not a number" : std::isinf(value) ? "infinite" : "too large to use");
}

std::string systemErrorText(int error) { return std::generic_category().message(error); }

}  // namespace modem
