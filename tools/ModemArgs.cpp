#include "ModemArgs.h"

#include <array>
#include <cerrno>
#include <cmath>
#include <cstdlib>

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

}  // namespace

long long parseInteger(std::string_view option, std::string_view text, long long low, long long high)
{
    const std::string s(text);
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(s.c_str(), &end, 10);
    if (s.empty() || end != s.c_str() + s.size() || errno == ERANGE || value < low || value > high)
        throw UsageError(std::string(option) + " must be a whole number from " + std::to_string(low) + " to " +
                         std::to_string(high) + ", not '" + s + "'");
    return value;
}

double parseReal(std::string_view option, std::string_view text, double low, double high)
{
    const std::string s(text);
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(s.c_str(), &end);
    if (s.empty() || end != s.c_str() + s.size() || errno == ERANGE || !std::isfinite(value) || value < low ||
        value > high)
        throw UsageError(std::string(option) + " must be a number from " + std::to_string(low) + " to " +
                         std::to_string(high) + ", not '" + s + "'");
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

}  // namespace modem
