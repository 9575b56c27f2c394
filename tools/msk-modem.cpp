// msk-modem: the modem without windows or sound card, for recordings, tests and
// benchmarks. Commands pipe together like a radio link:
//   msk-modem encode "CQ" -o cq.wav
//   msk-modem channel --snr -6 cq.wav noisy.wav
//   msk-modem decode noisy.wav

#include "tools/ModemArgs.h"
#include "tools/ModemEncode.h"

#include <exception>
#include <iostream>
#include <string_view>

namespace modem {
int runDecode(int argc, char** argv);
int runChannel(int argc, char** argv);
}  // namespace modem

namespace {

constexpr const char* kUsage =
    "usage: msk-modem encode [--baud 31|63|125|250|500] [--idle N] [-o FILE] [TEXT]\n"
    "       msk-modem decode [--baud 31|63|125|250|500] [--sync slow|fast] [--centre HZ]\n"
    "                        [--assumed-rate N] [--demod standard|enhanced] [--reverse]\n"
    "                        [--squelch] [--trace] [--input-rate N] [FILE|-]\n"
    "         --trace, enhanced: SAMPLE BIT STROBE AFC_HZ PHASE PHASE_ERROR TIMING_ERROR AMPLITUDE LINES\n"
    "       msk-modem channel [--snr DB] [--offset HZ] [--ppm N] [--seed N] IN OUT\n";

constexpr const char* kHelp =
    "\n"
    "encode   the transmission of TEXT (or of standard input, UTF-8) as a fresh\n"
    "         transmitter sends it: preamble, text, N idle units (2 unless given),\n"
    "         at 32000 samples per second, 16-bit mono. -o FILE writes a WAV file;\n"
    "         without it, or with -o -, raw little-endian samples go to standard output.\n"
    "decode   prints the text decoded from a recording: a WAV file at its own rate, or raw\n"
    "         16-bit little-endian samples on standard input (FILE - or none) at\n"
    "         --input-rate samples per second, 32000 unless given (the rate encode\n"
    "         writes, so  msk-modem encode TEXT | msk-modem decode  works).\n"
    "         --assumed-rate is the rate the receiver believes its card records at\n"
    "         (8000 unless given); --trace prints one line per bit decision instead.\n"
    "         --demod chooses the receive chain (enhanced unless given; standard is\n"
    "         the classic one); --reverse reads a station on the other sideband;\n"
    "         --squelch prints nothing while no signal of the speed is present.\n"
    "channel  passes a WAV recording through a simulated radio path: white noise at\n"
    "         DB signal-to-noise ratio in 2500 Hz (seeded by --seed), a frequency\n"
    "         offset of HZ, a sample clock N parts per million fast.\n"
    "decode and channel take recordings of 1000 to 384000 samples per second.\n"
    "\n"
    "A WAV output is written beside FILE or OUT under a name of its own and put in\n"
    "place when complete, keeping the permissions and hard links of the file it\n"
    "replaces; over 4 GiB it is RF64. The output cannot be the input file.\n"
    "Numbers are plain decimals (-3, 0.5). -- ends the options. Exit status: 0 done,\n"
    "1 a file or stream that cannot be read or written or does not suit (a pipe as\n"
    "the output, say), 2 a wrong command line, 128+N ended by signal N.\n";

int printHelp()
{
    std::cout << kUsage << kHelp << std::flush;
    return std::cout ? modem::kExitOk : modem::kExitIo;
}

}  // namespace

int main(int argc, char** argv)
{
    // --help or -h in place of the command; the commands take it where an option
    // may stand (HelpRequest).
    if (argc >= 2 && modem::isHelpOption(argv[1]))
        return printHelp();
    if (argc < 2) {
        std::cerr << kUsage;
        return modem::kExitUsage;
    }
    const std::string_view command = argv[1];
    try {
        if (command == "encode")
            return modem::runEncode(argc - 1, argv + 1);
        if (command == "decode")
            return modem::runDecode(argc - 1, argv + 1);
        if (command == "channel")
            return modem::runChannel(argc - 1, argv + 1);
        std::cerr << "msk-modem: unknown command '" << command << "'\n" << kUsage;
        return modem::kExitUsage;
    } catch (const modem::HelpRequest&) {
        return printHelp();
    } catch (const modem::UsageError& e) {
        std::cerr << "msk-modem " << command << ": " << e.what() << " (msk-modem --help tells more)\n";
        return modem::kExitUsage;
    } catch (const modem::IoError& e) {
        std::cerr << "msk-modem " << command << ": " << e.what() << '\n';
        return modem::kExitIo;
    } catch (const std::exception& e) {
        std::cerr << "msk-modem " << command << ": " << e.what() << '\n';
        return modem::kExitIo;
    }
}
