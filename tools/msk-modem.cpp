// msk-modem: the modem without windows or sound card, for recordings, tests and
// benchmarks. Commands pipe together like a radio link:
//   msk-modem encode "CQ" -o cq.wav
//   msk-modem channel --snr -6 cq.wav noisy.wav
//   msk-modem decode noisy.wav

#include "ModemArgs.h"
#include "ModemEncode.h"

#include <cstring>
#include <exception>
#include <iostream>

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

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::cerr << kUsage;
        return argc < 2 ? modem::kExitUsage : modem::kExitOk;
    }
    const std::string command = argv[1];
    try {
        if (command == "encode")
            return modem::runEncode(argc - 1, argv + 1);
        if (command == "decode")
            return modem::runDecode(argc - 1, argv + 1);
        if (command == "channel")
            return modem::runChannel(argc - 1, argv + 1);
        std::cerr << "msk-modem: unknown command '" << command << "'\n" << kUsage;
        return modem::kExitUsage;
    } catch (const modem::UsageError& e) {
        std::cerr << "msk-modem " << command << ": " << e.what() << '\n';
        return modem::kExitUsage;
    } catch (const modem::IoError& e) {
        std::cerr << "msk-modem " << command << ": " << e.what() << '\n';
        return modem::kExitIo;
    } catch (const std::exception& e) {
        std::cerr << "msk-modem " << command << ": " << e.what() << '\n';
        return modem::kExitIo;
    }
}
