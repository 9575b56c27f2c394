// SPDX-License-Identifier: GPL-3.0-or-later
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
    const bool ok = isPlainDecimal(text, false) && std::from_chars(text.data(), end, value).ptr == end;
    if (!ok || value < low || value > high)
        throw UsageError(std::string(option) + " must be a whole number from " + std::to_string(low) + " to " +
                         std::to_string(high) + ", not '" + std::string(text) + "'");
    return value;
}

double parseReal(std::string_view option, std::string_view text, double low, double high)
{
    double value = 0;
    const char* end = text.data() + text.size();
    // from_chars reads the C locale's decimal point, whatever the user's locale.
    const bool ok = isPlainDecimal(text, true) && std::from_chars(text.data(), end, value).ptr == end;
    if (!ok || !std::isfinite(value) || value < low || value > high)
        throw UsageError(std::string(option) + " must be a number from " + trimmed(low) + " to " + trimmed(high) +
                         ", not '" + std::string(text) + "'");
    return value;
}

int samplesPerBitForBaud(std::string_view text) { return baudRow(text).samplesPerBit; }
double tickRateForBaud(std::string_view text) { return baudRow(text).tickRate; }

std::string_view optionValue(int argc, char** argv, int& i)
{
    if (i + 1 >= argc)
        throw UsageError(std::string(argv[i]) + " needs a value");
    return argv[++i];
}

bool isHelpOption(std::string_view arg) { return arg == "--help" || arg == "-h"; }

std::string systemErrorText(int error) { return std::generic_category().message(error); }

}  // namespace modem
