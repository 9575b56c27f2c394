// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SerialPortLocation.h"

#include <algorithm>
#include <cctype>
#include <cstddef>

bool devicePathLess(const std::string& a, const std::string& b)
{
    const auto isDigit = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; };
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            // Compare the two runs of digits as numbers: skip leading zeros, then
            // the longer run is larger, else the first differing digit decides.
            std::size_t endA = i;
            std::size_t endB = j;
            while (endA < a.size() && isDigit(a[endA]))
                ++endA;
            while (endB < b.size() && isDigit(b[endB]))
                ++endB;
            std::size_t startA = i;
            std::size_t startB = j;
            while (startA + 1 < endA && a[startA] == '0')
                ++startA;
            while (startB + 1 < endB && b[startB] == '0')
                ++startB;
            const std::size_t lengthA = endA - startA;
            const std::size_t lengthB = endB - startB;
            if (lengthA != lengthB)
                return lengthA < lengthB;
            const int order = a.compare(startA, lengthA, b, startB, lengthB);
            if (order != 0)
                return order < 0;
            if (endA - i != endB - j)
                return endA - i < endB - j;  // "01" after "1", so the order is strict
            i = endA;
            j = endB;
            continue;
        }
        if (a[i] != b[j])
            return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

std::string serialPortLocation(int portNumber, SerialNaming naming, std::vector<std::string> listedLocations)
{
    if (portNumber < 1)
        return {};
    if (naming == SerialNaming::WindowsComNames)
        return "COM" + std::to_string(portNumber);
    std::sort(listedLocations.begin(), listedLocations.end(), devicePathLess);
    listedLocations.erase(std::unique(listedLocations.begin(), listedLocations.end()), listedLocations.end());
    if (static_cast<std::size_t>(portNumber) > listedLocations.size())
        return {};
    return listedLocations[static_cast<std::size_t>(portNumber) - 1];
}
