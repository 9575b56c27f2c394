#pragma once
// Small helpers shared by the msk-modem commands: argument parsing and the exit
// codes (2 for a usage error, 1 for an input or output error).

#include <cstdint>
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

// Thrown where --help or -h stands in place of an option; main() prints the help
// and exits 0.
struct HelpRequest {};

// True for "--help" and "-h".
bool isHelpOption(std::string_view arg);

// Walks a command's arguments (argv[0] is the command's name) as the commands read
// them: an argument that starts with '-' and is more than "-" alone is an option
// until "--", after which every argument is an operand ("encode -- -73"). --help or
// -h where an option may stand throws HelpRequest; as an option's value, or after
// "--", it is that value.
class CommandLine {
public:
    CommandLine(int argc, char** argv) : argc_(argc), argv_(argv) {}

    // Moves to the next argument; false when there is none.
    bool next();
    std::string_view argument() const { return argv_[i_]; }
    bool isOption() const { return option_; }
    // The value following the current option, taken as it is. UsageError when missing.
    std::string_view value();

private:
    int argc_;
    char** argv_;
    int i_ = 0;
    bool option_ = false;
    bool operandsOnly_ = false;  // after "--"
};

// IoError unless a recording's rate lies within kMinRecordingRate..kMaxRecordingRate.
void requireRecordingRate(const std::string& path, long long rate, std::string_view command);

// The message for a sample that is no finite number (value, in the file's own
// scale; a finite one too large to scale), at position (counting from 0) in a recording of rate samples per second.
std::string notFiniteSample(const std::string& path, double value, std::int64_t position, int rate);

// The system's text for an errno value, for messages ("Is a directory").
std::string systemErrorText(int error);

}  // namespace modem
