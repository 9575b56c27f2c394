// SPDX-License-Identifier: GPL-3.0-or-later
#include "program/ProgramInfo.h"

#include "program/Version.h"

#include <algorithm>
#include <ostream>
#include <string_view>
#include <vector>

namespace program {

namespace {

// "  -h, --help  " : the option column starts two spaces in, a row with only a
// long option four further (under the "--" of "-h, --help"), and two spaces keep
// the longest row's names apart from its description.
constexpr std::string_view kRowIndent = "  ";
constexpr std::string_view kNoShortOption = "    ";
constexpr std::size_t kColumnGap = 2;

constexpr OptionHelp kInfoOptions[] = {
    {"-h, --help", "display this help and exit"},
    {"--version", "output version information and exit"},
};

std::string optionColumn(std::string_view names)
{
    std::string column(kRowIndent);
    if (names.starts_with("--"))
        column += kNoShortOption;
    column += names;
    return column;
}

void appendOptions(std::string& text, const std::vector<OptionHelp>& rows)
{
    std::size_t width = 0;
    for (const OptionHelp& row : rows)
        width = std::max(width, optionColumn(row.names).size());
    const std::size_t descriptionColumn = width + kColumnGap;
    for (const OptionHelp& row : rows) {
        std::string line = optionColumn(row.names);
        line.resize(descriptionColumn, ' ');
        std::string_view description = row.description;
        for (;;) {
            const std::size_t end = description.find('\n');
            line += description.substr(0, end);
            text += line;
            text += '\n';
            if (end == std::string_view::npos)
                break;
            description.remove_prefix(end + 1);
            line.assign(descriptionColumn, ' ');
        }
    }
}

bool endsWithNewline(std::string_view text) { return !text.empty() && text.back() == '\n'; }

}  // namespace

std::string versionText(std::string_view programName)
{
    std::string text(programName);
    text += " (";
    text += kPackageName;
    text += ") ";
    text += kVersion;
    text += "\nCopyright (C) ";
    text += kCopyrightYears;
    text += " The ";
    text += kPackageName;
    text += " developers\n"
            "License GPLv3+: GNU GPL version 3 or later <https://gnu.org/licenses/gpl.html>.\n"
            "This is free software: you are free to change and redistribute it.\n"
            "There is NO WARRANTY, to the extent permitted by law.\n";
    return text;
}

std::string helpText(const ProgramHelp& help)
{
    std::string text = "Usage: ";
    text += help.name;
    text += ' ';
    text += help.synopsis;
    text += '\n';
    text += help.purpose;
    if (!endsWithNewline(help.purpose))
        text += '\n';
    text += "\nOptions:\n";
    std::vector<OptionHelp> rows(help.options.begin(), help.options.end());
    rows.insert(rows.end(), std::begin(kInfoOptions), std::end(kInfoOptions));
    appendOptions(text, rows);
    const std::string_view notes = help.notes;
    if (!notes.empty()) {
        text += '\n';
        text += notes;
        if (!endsWithNewline(notes))
            text += '\n';
    }
    text += '\n';
    text += kPackageName;
    text += " home page: <";
    text += kHomepage;
    text += ">\n";
    return text;
}

std::optional<int> answerInfoRequest(int argc, const char* const* argv, const ProgramHelp& help,
                                     std::ostream& out, std::ostream& err)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--")
            break;
        const bool wantsHelp = arg == "--help" || arg == "-h";
        if (!wantsHelp && arg != "--version")
            continue;
        out << (wantsHelp ? helpText(help) : versionText(help.name)) << std::flush;
        if (out)
            return 0;
        err << help.name << ": cannot write to standard output\n" << std::flush;
        return 1;
    }
    return std::nullopt;
}

}  // namespace program
