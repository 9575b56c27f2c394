#pragma once
// Small helpers shared by the msk-modem commands: argument parsing and the exit
// codes (2 for a usage error, 1 for an I/O error).

#include <cstdio>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace modem {

inline constexpr int kExitOk = 0;
inline constexpr int kExitIo = 1;
inline constexpr int kExitUsage = 2;

// Thrown for a bad command line; main() prints it as one line and exits 2.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};
// Thrown for a file that cannot be read or written; exit 1.
struct IoError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A whole decimal number within [low, high], or UsageError naming the option.
long long parseInteger(std::string_view option, std::string_view text, long long low, long long high);
// A finite decimal number within [low, high], or UsageError.
double parseReal(std::string_view option, std::string_view text, double low, double high);

// The samples per bit at 32000 samples per second for --baud 31|63|125|250|500.
int samplesPerBitForBaud(std::string_view text);
// The receiver's tick rate for --baud 31|63|125|250|500.
double tickRateForBaud(std::string_view text);

// The value following an option at argv[i]; advances i. UsageError when missing.
std::string_view optionValue(int argc, char** argv, int& i);

}  // namespace modem
