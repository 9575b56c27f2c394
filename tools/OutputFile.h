#pragma once
// The file a command writes, put in place only when it is complete. POSIX only, as
// msk-modem is built only where POSIX is (the Windows build is the signal core).
//
// A regular file (or a new one) is written as a temporary file beside it, made with
// a unique name, exclusively (never through a link planted under that name), and
// put in place when the output is complete:
// - by rename, the temporary taking the replaced file's permissions, and its owner
//   and group where the system lets us give them;
// - by copying into the file when it has more than one hard link, so that every
//   name keeps seeing the same file (those few moments are not atomic);
// - a file the user may not write (access(W_OK)) is refused, as a plain open
//   would refuse it, though the folder would allow a rename.
// A run that fails, and SIGINT, SIGTERM, SIGHUP or SIGPIPE on the way, remove the
// temporary; a signal then ends the program with 128 + its number.
//
// Through a symbolic link (a chain of them; a link to a file that does not exist
// yet) the file it names is written and the link stays. A device such as /dev/null
// is written in place. A directory, a pipe or a socket is refused (IoError): a WAV
// header's lengths are filled in at the end, which needs a file that can seek back.
// So is an empty name (UsageError), and a file that is the command's input by
// identity (UsageError), whatever names the two go by.

#include <cstdint>
#include <optional>
#include <string>

namespace modem {

// Which file a name stands for: its device and inode.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

// The file path names after every link, "-" for standard input; none when there is
// no such file.
std::optional<FileIdentity> identityOf(const std::string& path);

// A file with a unique name in a folder, created exclusively and readable and
// writable through descriptor(); removed when destroyed, and by the signals above,
// unless it has been moved into place.
class TemporaryFile {
public:
    // IoError (naming `forMessages`) when it cannot be made.
    TemporaryFile(const std::string& folder, const std::string& stem, const std::string& forMessages);
    ~TemporaryFile();
    TemporaryFile(TemporaryFile&& other) noexcept;
    TemporaryFile& operator=(TemporaryFile&& other) noexcept;
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    int descriptor() const { return fd_; }
    const std::string& path() const { return path_; }
    // Renames it to target; from then on it is no temporary. IoError when that fails.
    void moveTo(const std::string& target, const std::string& forMessages);

private:
    void remove();

    std::string path_;
    int fd_ = -1;
    int slot_ = -1;  // in the list the signal handler removes
};

class OutputFile {
public:
    // path as given; input: the command's input, which the output must not be.
    explicit OutputFile(const std::string& path, std::optional<FileIdentity> input = std::nullopt);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Where to write: the temporary, or the device.
    int descriptor() const;
    // True for a device, written in place.
    bool inPlace() const { return !temporary_; }
    // A fresh temporary beside the current one, with the same permissions, for an
    // output that starts over; adopt() makes it the output.
    TemporaryFile sibling() const;
    // Makes next the output; the current temporary is removed.
    void adopt(TemporaryFile&& next);
    // Puts the output in place. IoError when that fails; the temporary is removed.
    void commit();

private:
    void prepare(TemporaryFile& file) const;

    std::string path_;    // as given, for messages
    std::string target_;  // the file written: path_, or what its links lead to
    std::optional<TemporaryFile> temporary_;
    int deviceFd_ = -1;
    bool replacing_ = false;    // target_ exists and is a regular file
    bool throughLinks_ = false; // it has more than one hard link: copied into at commit
    unsigned mode_ = 0;         // the permissions the output takes
    std::int64_t owner_ = -1, group_ = -1;  // of the replaced file
};

}  // namespace modem
