// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Which serial device stands for "COMn" (n = 1..9, also larger) on this system.
// On Windows it is the port "COMn" itself. Elsewhere it is the n-th of the serial
// ports the system lists, in the order of their device paths, with numbers compared
// by value (/dev/ttyS2 before /dev/ttyS10, /dev/ttyS* before /dev/ttyUSB*).
// An empty result means no such port; n < 1 never names one.
// Pure functions, callable from any thread.

#include "platform/SerialNaming.h"

#include <string>
#include <vector>

std::string serialPortLocation(int portNumber, SerialNaming naming, std::vector<std::string> listedLocations);

// Orders device paths with embedded numbers by value ("ttyS2" < "ttyS10").
bool devicePathLess(const std::string& a, const std::string& b);
