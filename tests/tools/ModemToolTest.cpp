// msk-modem as a program: what it prints where, its exit codes, what it does to the
// file it writes, its memory, and the README's example. POSIX only (spawns the
// program with a chosen standard input and measures it with wait4).

#include <gtest/gtest.h>
#include <sndfile.h>

#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

// The memory ceiling for any length of input or output.
constexpr long kFlatMemoryKiB = 50 * 1024;

struct ToolRun {
    int exitCode = -1;
    std::string out;
    std::string err;
    long maxResidentKiB = 0;
};

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct ModemToolTest : ::testing::Test {
    fs::path dir;

    void SetUp() override
    {
        dir = fs::temp_directory_path() /
              ("msk-modem-tool-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    // Runs msk-modem with these arguments; standard input from stdinPath, or closed
    // when it is empty; stdout to outPath (or a file that is read back).
    ToolRun run(std::vector<std::string> args, const std::string& stdinPath = "/dev/null", std::string outPath = "")
    {
        args.insert(args.begin(), MSK_MODEM_BINARY);
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        const std::string errPath = (dir / "stderr").string();
        const bool captured = outPath.empty();
        if (captured)
            outPath = (dir / "stdout").string();

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (stdinPath.empty())
            posix_spawn_file_actions_addclose(&actions, 0);
        else
            posix_spawn_file_actions_addopen(&actions, 0, stdinPath.c_str(), O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        pid_t pid = 0;
        ToolRun result;
        const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) {
            ADD_FAILURE() << "cannot start " << argv[0];
            return result;
        }
        int status = 0;
        rusage usage{};
        wait4(pid, &status, 0, &usage);
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#ifdef __APPLE__
        result.maxResidentKiB = usage.ru_maxrss / 1024;  // bytes there
#else
        result.maxResidentKiB = usage.ru_maxrss;
#endif
        if (captured)
            result.out = readFile(outPath);
        result.err = readFile(errPath);
        return result;
    }

    std::string path(const std::string& name) const { return (dir / name).string(); }

    // Starts msk-modem with standard input from stdinFd, its output to /dev/null and
    // the termination signals at their defaults, whatever the test runner set.
    static pid_t start(std::vector<std::string> args, int stdinFd)
    {
        args.insert(args.begin(), MSK_MODEM_BINARY);
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, stdinFd, 0);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        sigset_t signals;
        sigemptyset(&signals);
        posix_spawnattr_setsigmask(&attributes, &signals);
        for (int s : {SIGINT, SIGTERM, SIGHUP, SIGPIPE})
            sigaddset(&signals, s);
        posix_spawnattr_setsigdefault(&attributes, &signals);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
        pid_t pid = -1;
        if (posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ) != 0)
            pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
        return pid;
    }

    // The names in the test's folder that end in ".part", in order.
    std::vector<std::string> temporaries() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir))
            if (entry.path().extension() == ".part")
                names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

int exitCodeOf(pid_t pid)
{
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(ModemToolTest, HelpGoesToStandardOutputAndErrorsToStandardError)
{
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--help"}, {"-h"}, {"encode", "--help"}, {"decode", "--baud", "63", "-h"},
          {"channel", "--help"}}) {
        const ToolRun help = run(args);
        EXPECT_EQ(help.exitCode, 0) << args[0];
        EXPECT_EQ(help.out.rfind("usage: msk-modem encode", 0), 0u) << help.out;
        EXPECT_NE(help.out.find("32000 unless given"), std::string::npos);  // raw input to decode
        EXPECT_EQ(help.err, "");
    }
    const ToolRun wrong = run({"encode", "--baud", "7", "hi"});
    EXPECT_EQ(wrong.exitCode, 2);
    EXPECT_EQ(wrong.out, "");
    EXPECT_EQ(wrong.err.rfind("msk-modem encode: --baud must be", 0), 0u) << wrong.err;
    EXPECT_EQ(run({}).exitCode, 2);
}

TEST_F(ModemToolTest, OutputThatIsNoRegularFileIsWrittenInPlaceOrRefused)
{
    // A character device (a copy of /dev/null where we may make one): written
    // through, never replaced by a regular file.
    std::string device = path("null");
    struct stat null {};
    if (::stat("/dev/null", &null) != 0 || ::mknod(device.c_str(), S_IFCHR | 0666, null.st_rdev) != 0)
        device = "/dev/null";  // not root: a device we cannot replace anyway
    EXPECT_EQ(run({"encode", "-o", device, "hi"}).exitCode, 0);
    EXPECT_TRUE(fs::is_character_file(device));
    EXPECT_FALSE(fs::exists(device + ".part"));
    EXPECT_EQ(temporaries(), std::vector<std::string>{});

    // A FIFO cannot take a WAV file (its header is completed at the end): refused
    // before it is opened, and left as it was. It is a file that does not suit: 1.
    const std::string fifo = path("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const ToolRun encode = run({"encode", "-o", fifo, "hi"});
    EXPECT_EQ(encode.exitCode, 1);
    EXPECT_NE(encode.err.find("pipe"), std::string::npos) << encode.err;
    const std::string wav = path("cq.wav");
    ASSERT_EQ(run({"encode", "-o", wav, "hi"}).exitCode, 0);
    EXPECT_EQ(run({"channel", wav, fifo}).exitCode, 1);
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_FALSE(fs::exists(fifo + ".part"));

    // A regular file is still replaced whole, through a temporary file; through a
    // symbolic link (/dev/stdout into a file, say) the file is, and the link stays.
    std::ofstream(path("old.wav")) << "old";
    fs::create_symlink(path("old.wav"), path("link.wav"));
    EXPECT_EQ(run({"encode", "-o", path("link.wav"), "hi"}).exitCode, 0);
    EXPECT_TRUE(fs::is_symlink(path("link.wav")));
    EXPECT_EQ(readFile(path("old.wav")), readFile(wav));
}

TEST_F(ModemToolTest, ExitCodesSayWhy)
{
    // A directory and an empty name as the output.
    const ToolRun directory = run({"encode", "-o", dir.string(), "hi"});
    EXPECT_EQ(directory.exitCode, 1);
    EXPECT_NE(directory.err.find("is a directory"), std::string::npos) << directory.err;
    const ToolRun empty = run({"encode", "-o", "", "hi"});
    EXPECT_EQ(empty.exitCode, 2);
    EXPECT_NE(empty.err.find("needs a file name"), std::string::npos) << empty.err;
    for (const ToolRun& r : {directory, empty})
        EXPECT_EQ(r.err.find("Success"), std::string::npos) << r.err;

    // A closed standard input, or a directory as standard input, is no empty message.
    const std::string wav = path("out.wav");
    for (const std::string& input : {std::string(), dir.string()}) {
        const ToolRun encode = run({"encode", "-o", wav}, input);
        EXPECT_EQ(encode.exitCode, 1) << input;
        EXPECT_NE(encode.err.find("cannot read standard input: "), std::string::npos) << encode.err;
        EXPECT_FALSE(fs::exists(wav));
        EXPECT_EQ(temporaries(), std::vector<std::string>{});
        EXPECT_EQ(run({"encode"}, input).out, "");
    }
}

TEST_F(ModemToolTest, MemoryStaysFlatForLongOutputAndLongInput)
{
    // Each run below took 110 to 125 MB while the commands held their whole output.
    // 40000 idle units at 500 baud: 480 000 bits, 30.7 million samples, 61 MB of output.
    const ToolRun idle = run({"encode", "--baud", "500", "--idle", "40000"}, "/dev/null", "/dev/null");
    EXPECT_EQ(idle.exitCode, 0);
    EXPECT_LT(idle.maxResidentKiB, kFlatMemoryKiB);

    // 60 000 characters on standard input: about 440 000 bits, 56 MB of output.
    std::string text;
    while (text.size() < 60000)
        text += "the quick brown fox jumps over the lazy dog 0123456789\n";
    std::ofstream(path("text")) << text;
    const ToolRun longText = run({"encode", "--baud", "500"}, path("text"), "/dev/null");
    EXPECT_EQ(longText.exitCode, 0);
    EXPECT_LT(longText.maxResidentKiB, kFlatMemoryKiB);

    // channel with noise, offset and clock error over 2.5 million samples (at 2000
    // per second, where the offset's filter is short and the run quick).
    constexpr int kRate = 2000;
    constexpr sf_count_t kSamples = 2'500'000;
    {
        SF_INFO info{};
        info.samplerate = kRate;
        info.channels = 1;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        SNDFILE* file = sf_open(path("tone.wav").c_str(), SFM_WRITE, &info);
        ASSERT_NE(file, nullptr);
        std::vector<short> period(20);  // 300 Hz: 3 cycles in 20 samples
        for (std::size_t n = 0; n < period.size(); ++n)
            period[n] = static_cast<short>(8000 * std::sin(2 * std::numbers::pi * 300 * static_cast<double>(n) / kRate));
        for (sf_count_t n = 0; n < kSamples; n += 20)
            sf_write_short(file, period.data(), 20);
        sf_close(file);
    }
    const ToolRun channel =
        run({"channel", "--snr", "3", "--offset", "5", "--ppm", "100", path("tone.wav"), path("noisy.wav")});
    EXPECT_EQ(channel.exitCode, 0);
    EXPECT_LT(channel.maxResidentKiB, kFlatMemoryKiB);
    // 100 ppm more samples: 2 500 250 of 2 bytes, and the 44-byte header.
    EXPECT_NEAR(static_cast<double>(fs::file_size(path("noisy.wav"))), 5000544.0, 8.0);
}

// The three commands of the README's msk-modem example, run as written.
TEST_F(ModemToolTest, ReadmeExampleDecodesCleanly)
{
    const std::string readme = readFile(fs::path(MSK_SOURCE_DIR) / "README.md");
    const std::size_t section = readme.find("\n## msk-modem");
    ASSERT_NE(section, std::string::npos);
    const std::size_t example = readme.find("For example:", section);
    ASSERT_NE(example, std::string::npos);
    std::istringstream lines(readme.substr(example));
    std::string line;
    std::vector<std::vector<std::string>> commands;
    std::getline(lines, line);
    while (std::getline(lines, line) && (line.empty() || line.rfind("    ", 0) == 0)) {
        if (line.empty())
            continue;
        // Words, a double-quoted text counting as one.
        std::vector<std::string> words;
        const std::regex word(R"re("([^"]*)"|(\S+))re");
        for (auto it = std::sregex_iterator(line.begin(), line.end(), word); it != std::sregex_iterator(); ++it)
            words.push_back((*it)[1].matched ? (*it)[1].str() : (*it)[2].str());
        ASSERT_EQ(words.at(0), "msk-modem") << line;
        words.erase(words.begin());
        commands.push_back(words);
    }
    ASSERT_EQ(commands.size(), 3u);
    ASSERT_EQ(commands[0].at(0), "encode");
    std::string text;  // the one argument of encode that is no option or its value
    for (std::size_t i = 1; i < commands[0].size(); ++i) {
        if (commands[0][i].rfind("-", 0) == 0)
            ++i;
        else
            text = commands[0][i];
    }
    ASSERT_FALSE(text.empty());

    const fs::path here = fs::current_path();
    fs::current_path(dir);
    std::vector<ToolRun> runs;
    for (const auto& command : commands)
        runs.push_back(run(command));
    fs::current_path(here);
    for (const ToolRun& r : runs)
        EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(runs.back().out, text);
}

TEST_F(ModemToolTest, NumbersOutOfRangeAreCommandLineErrors)
{
    // Numbers beyond long long and double used to read as 0 and pass.
    const std::string digits400(400, '7');
    struct Case {
        std::string option;
        std::vector<std::string> args;
    };
    for (const Case& c : {Case{"--idle", {"encode", "--idle", "99999999999999999999", "hi"}},
                          Case{"--seed", {"channel", "--snr", "3", "--seed", "99999999999999999999", "a.wav", "b.wav"}},
                          Case{"--seed", {"channel", "--snr", "3", "--seed", "-9223372036854775809", "a.wav", "b.wav"}},
                          Case{"--snr", {"channel", "--snr", digits400, "a.wav", "b.wav"}},
                          Case{"--offset", {"channel", "--offset", "-" + digits400, "a.wav", "b.wav"}},
                          Case{"--ppm", {"channel", "--ppm", digits400 + ".5", "a.wav", "b.wav"}},
                          Case{"--centre", {"decode", "--centre", digits400, "-"}},
                          Case{"--assumed-rate", {"decode", "--assumed-rate", "-99999999999999999999", "-"}}}) {
        const ToolRun r = run(c.args);
        EXPECT_EQ(r.exitCode, 2) << c.option;
        EXPECT_EQ(r.err.rfind("msk-modem " + c.args[0] + ": " + c.option + " must be", 0), 0u) << r.err;
    }
}

TEST_F(ModemToolTest, DoubleDashEndsOptionsAndHelpCountsOnlyWhereAnOptionMayStand)
{
    const ToolRun text = run({"encode", "--baud", "250", "--", "-73"});
    EXPECT_EQ(text.exitCode, 0) << text.err;
    std::ofstream(path("raw")) << text.out;
    EXPECT_EQ(run({"decode", "--baud", "250", "--", "-"}, path("raw")).out, "-73");
    EXPECT_EQ(run({"encode", "--baud", "250", "--", "-73", "--help"}).exitCode, 2);  // two texts

    // As an option's value, or after --, --help is that value: a file named
    // "--help", a text "--help". After a text, where an option may stand, it asks.
    const fs::path here = fs::current_path();
    fs::current_path(dir);
    const ToolRun named = run({"encode", "-o", "--help", "HI"});
    const ToolRun typed = run({"encode", "--baud", "250", "--", "--help"});
    const ToolRun asked = run({"encode", "HI", "-h"});
    fs::current_path(here);
    EXPECT_EQ(named.exitCode, 0) << named.err;
    EXPECT_EQ(named.out, "");
    EXPECT_TRUE(fs::is_regular_file(dir / "--help"));
    std::ofstream(path("raw")) << typed.out;
    EXPECT_EQ(run({"decode", "--baud", "250"}, path("raw")).out, "--help");
    EXPECT_EQ(asked.exitCode, 0);
    EXPECT_EQ(asked.out.rfind("usage: msk-modem encode", 0), 0u);
}

// The temporary file has a name of its own, made exclusively beside the output:
// no file or link under any name it used to take is touched, and two runs do not
// share one.
TEST_F(ModemToolTest, TemporaryFileNeverTakesAnotherFilesPlace)
{
    ASSERT_EQ(run({"encode", "--baud", "500", "-o", path("in.wav.part"), "CQ"}).exitCode, 0);
    const std::string input = readFile(path("in.wav.part"));
    const ToolRun channel = run({"channel", "--snr", "3", path("in.wav.part"), path("in.wav")});
    EXPECT_EQ(channel.exitCode, 0) << channel.err;
    EXPECT_EQ(readFile(path("in.wav.part")), input);  // used to be the temporary, and lost

    std::ofstream(path("victim")) << "precious";
    fs::create_symlink(path("victim"), path("out.wav.part"));
    EXPECT_EQ(run({"encode", "-o", path("out.wav"), "hi"}).exitCode, 0);
    EXPECT_EQ(readFile(path("victim")), "precious");
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(path("out.wav"))));

    // The output is the input under another name, a link or a hard link: refused,
    // and the input stays.
    fs::create_symlink(path("in.wav.part"), path("soft.wav"));
    fs::create_hard_link(path("in.wav.part"), path("hard.wav"));
    for (const std::string& out : {path("in.wav.part"), dir.string() + "/./in.wav.part", path("soft.wav"), path("hard.wav")}) {
        const ToolRun same = run({"channel", path("in.wav.part"), out});
        EXPECT_EQ(same.exitCode, 2) << out;
        EXPECT_NE(same.err.find("is the input"), std::string::npos) << same.err;
    }
    EXPECT_EQ(readFile(path("in.wav.part")), input);

    // Two runs at once into the same file: it ends up as one of them, whole.
    std::string textA(3000, 'a'), textB(2000, 'b');
    ASSERT_EQ(run({"encode", "--baud", "500", "-o", path("a.wav"), textA}).exitCode, 0);
    ASSERT_EQ(run({"encode", "--baud", "500", "-o", path("b.wav"), textB}).exitCode, 0);
    const int null = ::open("/dev/null", O_RDONLY);
    const pid_t a = start({"encode", "--baud", "500", "-o", path("same.wav"), textA}, null);
    const pid_t b = start({"encode", "--baud", "500", "-o", path("same.wav"), textB}, null);
    ::close(null);
    EXPECT_EQ(exitCodeOf(a), 0);
    EXPECT_EQ(exitCodeOf(b), 0);
    const std::string same = readFile(path("same.wav"));
    EXPECT_TRUE(same == readFile(path("a.wav")) || same == readFile(path("b.wav")));
    EXPECT_EQ(temporaries(), (std::vector<std::string>{"in.wav.part", "out.wav.part"}));
}

// A link to a file that does not exist yet, directly or through another link:
// the file is made where the links lead, and the links stay.
TEST_F(ModemToolTest, DanglingLinkAsOutputMakesTheFileItNames)
{
    fs::create_directory(dir / "sub");
    fs::create_symlink("sub/new.wav", path("first"));  // relative to the link's folder
    fs::create_symlink(path("first"), path("out.wav"));
    const ToolRun r = run({"encode", "-o", path("out.wav"), "hi"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(fs::is_symlink(path("out.wav")));
    EXPECT_TRUE(fs::is_symlink(path("first")));
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(dir / "sub" / "new.wav")));
    EXPECT_EQ(run({"decode", "--baud", "31", path("out.wav")}).out, "hi");
}

// SIGINT, SIGTERM, SIGHUP and SIGPIPE while a file is being written: the temporary
// goes, the file it was to replace stays, and the exit status is 128 + the signal.
TEST_F(ModemToolTest, SignalDuringWriteRemovesTheTemporaryFile)
{
    const std::string out = path("out.wav");
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
        std::ofstream(out) << "old";
        int text[2];
        ASSERT_EQ(::pipe(text), 0);
        // encode makes its output file, then waits for its text on the pipe.
        const pid_t pid = start({"encode", "-o", out}, text[0]);
        ::close(text[0]);
        ASSERT_GT(pid, 0);
        for (int wait = 0; wait < 1000 && temporaries().empty(); ++wait)
            ::usleep(10000);
        EXPECT_EQ(temporaries().size(), 1u) << signal;
        ::kill(pid, signal);
        EXPECT_EQ(exitCodeOf(pid), 128 + signal);
        ::close(text[1]);
        EXPECT_EQ(temporaries(), std::vector<std::string>{}) << signal;
        EXPECT_EQ(readFile(out), "old");
    }
}

// Replacing a file keeps what it was: its permissions, its owner (where the user
// may give it, as root can), and its other hard links, which see the new contents.
TEST_F(ModemToolTest, ReplacingKeepsPermissionsOwnerAndHardLinks)
{
    const std::string out = path("out.wav");
    std::ofstream(out) << "old";
    fs::permissions(out, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);  // 0640
    const bool root = ::geteuid() == 0;
    constexpr uid_t kOtherUser = 4321;
    constexpr gid_t kOtherGroup = 4322;
    if (root) {
        ASSERT_EQ(::chown(out.c_str(), kOtherUser, kOtherGroup), 0);
    }
    fs::create_hard_link(out, path("other-name.wav"));

    ASSERT_EQ(run({"encode", "-o", out, "hi"}).exitCode, 0);
    ASSERT_EQ(run({"encode", "-o", path("fresh.wav"), "hi"}).exitCode, 0);
    struct stat st {};
    ASSERT_EQ(::stat(out.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(st.st_nlink, 2u);
    if (root) {
        EXPECT_EQ(st.st_uid, kOtherUser);
        EXPECT_EQ(st.st_gid, kOtherGroup);
    }
    EXPECT_EQ(readFile(path("other-name.wav")), readFile(path("fresh.wav")));
    EXPECT_EQ(temporaries(), std::vector<std::string>{});
}

// A file the user may not write is not replaced, though its folder would allow a
// rename. Run as root, the program is started as user nobody (65534), for whom
// root's read-only file in a folder everyone may write is such a file.
TEST_F(ModemToolTest, FileTheUserMayNotWriteIsRefused)
{
    const std::string out = path("out.wav");
    std::ofstream(out) << "old";
    fs::permissions(out, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);  // 0444
    fs::permissions(dir, fs::perms::all);  // 0777: a rename in it is allowed to anyone
    const bool root = ::geteuid() == 0;
    if (!root && ::access(out.c_str(), W_OK) == 0)
        GTEST_SKIP() << "this user may write a read-only file (a capability such as CAP_DAC_OVERRIDE)";
    const std::string err = path("stderr");
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        const int errFd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(errFd, 2);
        constexpr uid_t kNobody = 65534;
        if (root && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
            ::_exit(99);
        const char* argv[] = {MSK_MODEM_BINARY, "encode", "-o", out.c_str(), "hi", nullptr};
        ::execv(argv[0], const_cast<char**>(argv));
        ::_exit(98);
    }
    EXPECT_EQ(exitCodeOf(pid), 1);
    EXPECT_NE(readFile(err).find("cannot write " + out + ": Permission denied"), std::string::npos) << readFile(err);
    EXPECT_EQ(readFile(out), "old");
    EXPECT_EQ(temporaries(), std::vector<std::string>{});
}

}  // namespace
