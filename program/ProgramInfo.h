// SPDX-License-Identifier: GPL-3.0-or-later
// --help and --version for the project's programs, in the form GNU programs use:
// the answer on standard output, exit status 0, and nothing else started. The GUI
// programs answer before they create their QApplication, so both work without a
// display (over ssh, in a package check, from a man page generator).
#pragma once

#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace program {

// One row of a program's option list, as the help shows it:
//   "      --ptt PORT     key PTT on PORT"
struct OptionHelp {
    const char* names;        // "-h, --help" or "--ptt PORT"; a row without a short
                              // option is indented to line up with those that have one
    const char* description;  // one line of text; "\n" starts a further line
};

// All a program's help text, kept in one table in its main.cpp so that a new
// option is one more row.
struct ProgramHelp {
    const char* name;                     // "msk-receiver"
    const char* synopsis;                 // after "Usage: NAME ", e.g. "[OPTION]..."
    const char* purpose;                  // what the program does, one or more lines
    std::span<const OptionHelp> options;  // its own options; --help and --version follow
    const char* notes;                    // after the options ("" for none)
};

// "NAME (MSK modem) VERSION", the copyright and the licence, one per line.
std::string versionText(std::string_view programName);

// Usage line, purpose, option list with the descriptions in one column, notes,
// and where the program's home page is.
std::string helpText(const ProgramHelp& help);

// When the command line asks for --help (or -h) or --version, before any "--",
// writes the first such answer to out and returns the exit status: 0, or 1 when
// out cannot be written (the reason goes to err). Otherwise returns nothing and
// the program starts; other arguments are left to it (and to Qt).
std::optional<int> answerInfoRequest(int argc, const char* const* argv, const ProgramHelp& help,
                                     std::ostream& out, std::ostream& err);

}  // namespace program
