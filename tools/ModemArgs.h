// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Small helpers shared by the msk-modem commands: argument parsing and the exit
// codes (2 for a usage error, 1 for an input or output error).

#include <cstdio>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace modem {

inline constexpr int kExitOk = 0;
inline constexpr int kExitIo = 1;
inline constexpr int kExitUsage = 2;

// The sample rates a recording may have, in samples per second: below 1000 no
// audio tone of this modem fits, above 384000 no sound card records.
inline constexpr long long kMinRecordingRate = 1000;
inline constexpr long long kMaxRecordingRate = 384000;

// Thrown for a bad command line; main() prints it as one line and exits 2.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};
// Thrown for a file or stream that cannot be read or written, or whose contents do
// not suit the command (a sample rate out of range, say); exit 1.
struct IoError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A plain decimal whole number ("-12", "8000": no spaces, no sign '+', no hex)
// within [low, high], or UsageError naming the option.
long long parseInteger(std::string_view option, std::string_view text, long long low, long long high);
// A plain decimal number ("-3", "0.5", "12.": no exponent, no hex, no "inf")
// within [low, high], or UsageError.
double parseReal(std::string_view option, std::string_view text, double low, double high);

// The samples per bit at 32000 samples per second for --baud 31|63|125|250|500.
int samplesPerBitForBaud(std::string_view text);
// The receiver's tick rate for --baud 31|63|125|250|500.
double tickRateForBaud(std::string_view text);

// The value following an option at argv[i]; advances i. UsageError when missing.
std::string_view optionValue(int argc, char** argv, int& i);

// True for "--help" and "-h".
bool isHelpOption(std::string_view arg);

// The system's text for an errno value, for messages ("Is a directory").
std::string systemErrorText(int error);

}  // namespace modem
