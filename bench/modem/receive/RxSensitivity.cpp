// SPDX-License-Identifier: GPL-3.0-or-later
// Character error rate against SNR (in 2500 Hz) at every speed: the table that
// docs/performance.md carries. Fixed text and seeds, so every run prints the same.
//   rx-sensitivity [OUTPUT.md]
#include "bench/modem/receive/SensitivityText.h"
#include "tools/ModemSensitivity.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

namespace {

constexpr double kLowestSnrDb = -14.0;
constexpr double kHighestSnrDb = 6.0;
constexpr double kSnrStepDb = 2.0;
constexpr int kSeeds = 4;  // runs per point, noise seeds 1..4
constexpr const char* kBauds[] = {"31", "63", "125", "250", "500"};
constexpr const char* kTableStart = "| SNR";

std::string table()
{
    std::ostringstream out;
    out << "| SNR (dB) |";
    for (const char* baud : kBauds)
        out << ' ' << baud << " baud |";
    out << "\n|---:|";
    for (std::size_t i = 0; i < std::size(kBauds); ++i)
        out << "---:|";
    out << '\n';

    std::vector<modem::SensitivityLink> links;
    for (const char* baud : kBauds)
        links.emplace_back(kSensitivityText, baud);
    for (double snr = kLowestSnrDb; snr <= kHighestSnrDb + 1e-9; snr += kSnrStepDb) {
        char cell[32];
        std::snprintf(cell, sizeof cell, "%+.0f", snr);
        out << "| " << cell << " |";
        for (const auto& link : links) {
            double sum = 0;
            for (int seed = 1; seed <= kSeeds; ++seed)
                sum += link.run(snr, static_cast<std::uint64_t>(seed)).characterErrorRate;
            std::snprintf(cell, sizeof cell, "%.1f %%", 100.0 * sum / kSeeds);
            out << ' ' << cell << " |";
        }
        out << '\n';
        std::cerr << "SNR " << snr << " dB done\n";
    }
    return out.str();
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string result = table();
    std::cout << result;
    if (argc < 2)
        return 0;

    // Keep the sections that follow the table in the old file (notes, speed).
    std::string speed;
    {
        std::ifstream old(argv[1]);
        const std::string text((std::istreambuf_iterator<char>(old)), std::istreambuf_iterator<char>());
        const auto table = text.find(kTableStart);
        const auto at = table == std::string::npos ? table : text.find("\n#", table);
        if (at != std::string::npos)
            speed = text.substr(at);
    }
    std::ofstream doc(argv[1]);
    doc << "# Receiver performance\n\n"
           "## Sensitivity\n\n"
           "Character error rate (edit distance over length) of the whole link: the "
           "transmitter's signal for a 500-character plain text "
           "(bench/modem/receive/SensitivityText.h), "
           "converted from 32000 to 8000 samples per second, white Gaussian noise at the "
           "given SNR in 2500 Hz bandwidth (signal power over the whole transmission, "
           "preamble included), and the receive chain as the receiver window starts it "
           "(fast sync, centre 1000 Hz) at the matching speed. Each cell is the mean of "
           "four runs with noise seeds 1 to 4. Made by `build/bench/modem/receive/rx-sensitivity "
           "docs/performance.md`.\n\n"
        << result << (speed.empty() ? std::string("\n") : "\n" + speed.substr(1));
    if (!speed.empty() && speed.back() != '\n')
        doc << '\n';
    return doc ? 0 : 1;
}
