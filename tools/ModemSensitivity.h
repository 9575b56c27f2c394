// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Character error rate of the whole link: text through the transmitter's code
// path, 32000 -> 8000 samples per second, a noisy channel, and the receive chain
// as the receiver window starts it (fast sync, 1000 Hz) at the matching speed.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace modem {

// Levenshtein distance: insertions, deletions and substitutions, one each.
std::size_t editDistance(std::string_view a, std::string_view b);

class SensitivityLink {
public:
    // text: plain Windows-1252 text without line ends or backspaces, so that the
    // receiver should show exactly what was typed. baud: 31, 63, 125, 250 or 500.
    SensitivityLink(std::string text, std::string_view baud);

    // The received text and its edit distance over the length of the sent text.
    struct Result {
        std::string received;
        double characterErrorRate;
    };
    Result run(double snrDb, std::uint64_t seed) const;

private:
    std::string text_;
    double tickRate_;
    std::vector<double> clean_;  // 8000 samples per second
};

}  // namespace modem
