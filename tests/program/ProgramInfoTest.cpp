// SPDX-License-Identifier: GPL-3.0-or-later
// --help and --version as every program answers them: which arguments ask, where
// the answer goes, how the option list lines up, and the version's form.

#include "program/ProgramInfo.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

namespace {

constexpr program::OptionHelp kOptions[] = {
    {"-p, --ptt PORT", "key PTT on PORT"},
    {"--input-device NAME", "record from NAME\ninstead of the default device"},
};

constexpr program::ProgramHelp kHelp{"msk-test", "[OPTION]...", "Test the answers.", kOptions, "A note."};

struct Answer {
    std::optional<int> status;
    std::string out;
    std::string err;
};

Answer answer(std::vector<const char*> args)
{
    args.insert(args.begin(), "msk-test");
    std::ostringstream out;
    std::ostringstream err;
    const auto status = program::answerInfoRequest(static_cast<int>(args.size()), args.data(), kHelp, out, err);
    return {status, out.str(), err.str()};
}

// A standard output that cannot be written, as a full disk or a closed pipe.
struct RefusingBuffer : std::streambuf {
    int overflow(int) override { return traits_type::eof(); }
};

TEST(ProgramInfo, TheFirstHelpOrVersionBeforeADoubleDashIsAnswered)
{
    const std::string help = program::helpText(kHelp);
    const std::string version = program::versionText("msk-test");
    for (const auto& args : {std::vector<const char*>{"--help"}, {"-h"}, {"-platform", "offscreen", "--help"},
                             {"--help", "--version"}}) {
        const Answer a = answer(args);
        EXPECT_EQ(a.status, 0) << args.back();
        EXPECT_EQ(a.out, help) << args.back();
        EXPECT_EQ(a.err, "");
    }
    for (const auto& args : {std::vector<const char*>{"--version"}, {"--version", "-h"}}) {
        const Answer a = answer(args);
        EXPECT_EQ(a.status, 0);
        EXPECT_EQ(a.out, version);
    }
    // Anything else is the program's (or Qt's) to read; it starts as usual.
    for (const auto& args : {std::vector<const char*>{}, {"-platform", "offscreen"}, {"--", "--help"},
                             {"--helper"}, {"-version"}}) {
        const Answer a = answer(args);
        EXPECT_FALSE(a.status.has_value()) << (args.empty() ? "" : args.back());
        EXPECT_EQ(a.out, "");
        EXPECT_EQ(a.err, "");
    }
}

TEST(ProgramInfo, HelpListsTheOptionsWithTheirDescriptionsInOneColumn)
{
    // The longest names, "      --input-device NAME" (6 + 19 = 25 characters), and
    // two spaces start every description 27 characters in; a row without a short option
    // sits under the long option of "-p, --ptt PORT".
    EXPECT_EQ(program::helpText(kHelp),
              "Usage: msk-test [OPTION]...\n"
              "Test the answers.\n"
              "\n"
              "Options:\n"
              "  -p, --ptt PORT           key PTT on PORT\n"
              "      --input-device NAME  record from NAME\n"
              "                           instead of the default device\n"
              "  -h, --help               display this help and exit\n"
              "      --version            output version information and exit\n"
              "\n"
              "A note.\n"
              "\n"
              "MSK modem home page: <" MSK_HOMEPAGE ">\n");
}

TEST(ProgramInfo, VersionNamesTheProgramThePackageAndTheLicence)
{
    const std::string text = program::versionText("msk-test");
    const std::string firstLine = text.substr(0, text.find('\n'));
    // The project's version, then the commit count and commit when built from git:
    // only characters a Debian package version may hold.
    const std::regex form("msk-test \\(MSK modem\\) ([0-9]+\\.[0-9]+)(\\+git[0-9]+\\.[0-9a-f]{7,}(\\.dirty)?)?");
    std::smatch match;
    ASSERT_TRUE(std::regex_match(firstLine, match, form)) << firstLine;
    EXPECT_EQ(match[1], MSK_PROJECT_VERSION);
    EXPECT_NE(text.find("\nLicense GPLv3+: GNU GPL version 3 or later <https://gnu.org/licenses/gpl.html>.\n"),
              std::string::npos);
}

TEST(ProgramInfo, AnAnswerThatCannotBeWrittenFailsWithAReason)
{
    RefusingBuffer refusing;
    std::ostream out(&refusing);
    std::ostringstream err;
    const char* args[] = {"msk-test", "--version"};
    EXPECT_EQ(program::answerInfoRequest(2, args, kHelp, out, err), 1);
    EXPECT_EQ(err.str(), "msk-test: cannot write to standard output\n");
}

}  // namespace
