// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A program to start and its arguments, one element each (no shell quoting).

#include <string>
#include <vector>

struct ProgramCommand {
    std::string program;
    std::vector<std::string> arguments;
};
