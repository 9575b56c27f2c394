#include "tools/OutputFile.h"

#include "tools/ModemArgs.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <utility>
#include <vector>

namespace modem {
namespace {

namespace fs = std::filesystem;

constexpr std::array<int, 4> kCleanupSignals = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};
constexpr int kMaxLinkHops = 40;            // as the system's own limit for a path
constexpr std::size_t kMaxStemBytes = 200;  // of the file's name in its temporary's
constexpr std::size_t kCopyBlock = 65536;   // bytes copied at a time into a linked file

// The temporaries a signal removes: their paths, stored before the signal may need
// them, and whether each slot is in use. The handler reads nothing else.
constexpr int kSlots = 4;
char g_paths[kSlots][PATH_MAX];
volatile sig_atomic_t g_inUse[kSlots];
bool g_handlersInstalled = false;

extern "C" void removeTemporariesAndExit(int signal)
{
    for (int i = 0; i < kSlots; ++i)
        if (g_inUse[i])
            ::unlink(g_paths[i]);
    ::_exit(128 + signal);
}

// Catches the signals, except those the program was started with ignored (nohup's
// SIGHUP, say): those stay ignored.
void installHandlers()
{
    if (g_handlersInstalled)
        return;
    g_handlersInstalled = true;
    struct sigaction action {};
    action.sa_handler = removeTemporariesAndExit;
    sigemptyset(&action.sa_mask);
    for (int s : kCleanupSignals)
        sigaddset(&action.sa_mask, s);
    for (int s : kCleanupSignals) {
        struct sigaction previous {};
        if (::sigaction(s, nullptr, &previous) == 0 && previous.sa_handler != SIG_IGN)
            ::sigaction(s, &action, nullptr);
    }
}

// Holds the cleanup signals back while the list of temporaries and the files it
// names change together.
class SignalsHeld {
public:
    SignalsHeld()
    {
        sigset_t held;
        sigemptyset(&held);
        for (int s : kCleanupSignals)
            sigaddset(&held, s);
        ::sigprocmask(SIG_BLOCK, &held, &previous_);
    }
    ~SignalsHeld() { ::sigprocmask(SIG_SETMASK, &previous_, nullptr); }
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

private:
    sigset_t previous_;
};

// A descriptor moved above 0, 1 and 2: one of them closed at the start must stay
// closed, or reading standard input would read the output. -1 stays -1.
int aboveStandardStreams(int fd)
{
    if (fd < 0 || fd > STDERR_FILENO)
        return fd;
    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    const int error = errno;
    ::close(fd);
    errno = error;
    return moved;
}

std::string failure(const std::string& path, int error) { return "cannot write " + path + ": " + systemErrorText(error); }

mode_t currentUmask()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

// The file that writing to path lands in: path itself, or the end of its chain of
// symbolic links, existing or not.
std::string resolveLinks(const std::string& path)
{
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(path, ec)))
        return path;
    if (fs::exists(fs::status(path, ec))) {
        const fs::path resolved = fs::canonical(path, ec);
        return ec ? path : resolved.string();
    }
    // A link to a file that does not exist yet: followed by hand, as opening it for
    // writing would follow it.
    fs::path current = path;
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        if (!fs::is_symlink(fs::symlink_status(current, ec)))
            return current.string();
        const fs::path link = fs::read_symlink(current, ec);
        if (ec)
            throw IoError(failure(path, ec.value()));
        current = link.is_absolute() ? link : current.parent_path() / link;
    }
    throw IoError(failure(path, ELOOP));
}

// Writes all of data to fd.
bool writeAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Copies the whole of from into the file at path, which keeps its inode (and so
// its other names, its owner and its permissions). 0 or an errno value.
int copyInto(int from, const std::string& path)
{
    if (::lseek(from, 0, SEEK_SET) != 0)
        return errno;
    const int to = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOFOLLOW);
    if (to < 0)
        return errno;
    std::vector<char> block(kCopyBlock);
    int error = 0;
    for (;;) {
        const ssize_t n = ::read(from, block.data(), block.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 || (n > 0 && !writeAll(to, block.data(), static_cast<std::size_t>(n)))) {
            error = errno;
            break;
        }
        if (n == 0)
            break;
    }
    if (::close(to) != 0 && error == 0)
        error = errno;
    return error;
}

}  // namespace

std::optional<FileIdentity> identityOf(const std::string& path)
{
    struct stat st {};
    if ((path == "-" ? ::fstat(STDIN_FILENO, &st) : ::stat(path.c_str(), &st)) != 0)
        return std::nullopt;
    return FileIdentity{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

TemporaryFile::TemporaryFile(const std::string& folder, const std::string& stem, const std::string& forMessages)
{
    constexpr std::string_view kSuffix = ".part";
    std::string name = folder + "/" + stem.substr(0, kMaxStemBytes) + ".XXXXXX" + std::string(kSuffix);
    if (name.size() >= PATH_MAX)
        throw IoError(failure(forMessages, ENAMETOOLONG));
    installHandlers();
    const SignalsHeld held;
    // mkostemps creates with O_CREAT | O_EXCL, which never follows a link.
    fd_ = ::mkostemps(name.data(), static_cast<int>(kSuffix.size()), O_CLOEXEC | O_NOFOLLOW);
    if (fd_ >= 0 && (fd_ = aboveStandardStreams(fd_)) < 0)
        ::unlink(name.c_str());
    if (fd_ < 0)
        throw IoError(failure(forMessages, errno));
    for (int i = 0; i < kSlots && slot_ < 0; ++i)
        if (!g_inUse[i])
            slot_ = i;
    if (slot_ < 0) {  // never more than two at once
        ::unlink(name.c_str());
        ::close(fd_);
        throw IoError(failure(forMessages, EMFILE));
    }
    std::memcpy(g_paths[slot_], name.c_str(), name.size() + 1);
    g_inUse[slot_] = 1;
    path_ = std::move(name);
}

TemporaryFile::~TemporaryFile() { remove(); }

TemporaryFile::TemporaryFile(TemporaryFile&& other) noexcept
    : path_(std::move(other.path_)), fd_(std::exchange(other.fd_, -1)), slot_(std::exchange(other.slot_, -1))
{
}

TemporaryFile& TemporaryFile::operator=(TemporaryFile&& other) noexcept
{
    if (this != &other) {
        remove();
        path_ = std::move(other.path_);
        fd_ = std::exchange(other.fd_, -1);
        slot_ = std::exchange(other.slot_, -1);
    }
    return *this;
}

void TemporaryFile::remove()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    if (slot_ >= 0) {
        const SignalsHeld held;
        ::unlink(path_.c_str());
        g_inUse[slot_] = 0;
        slot_ = -1;
    }
}

void TemporaryFile::moveTo(const std::string& target, const std::string& forMessages)
{
    // close() is where a file system that writes late (NFS, a full disk) reports it.
    const int closed = ::close(std::exchange(fd_, -1));
    const int closeError = errno;
    if (closed != 0) {
        remove();
        throw IoError(failure(forMessages, closeError));
    }
    const SignalsHeld held;
    if (::rename(path_.c_str(), target.c_str()) != 0) {
        const int error = errno;
        remove();
        throw IoError(failure(forMessages, error));
    }
    g_inUse[slot_] = 0;
    slot_ = -1;
}

OutputFile::OutputFile(const std::string& path, std::optional<FileIdentity> input) : path_(path)
{
    if (path.empty())
        throw UsageError("the output needs a file name");
    target_ = resolveLinks(path);
    struct stat st {};
    if (::stat(target_.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            throw IoError("cannot write " + path + ": it is a directory");
        if (input && *input == FileIdentity{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)})
            throw UsageError("the output " + path + " is the input file");
        if (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode))
            throw IoError("cannot write a WAV file into " + path +
                          ": it is a pipe, and a WAV header is completed at the end, which needs a file");
        if (!S_ISREG(st.st_mode)) {  // a device
            deviceFd_ = aboveStandardStreams(::open(target_.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY));
            if (deviceFd_ < 0)
                throw IoError(failure(path, errno));
            return;
        }
        // A rename needs only the folder's permission; a file the user may not
        // write stays as it is.
        if (::access(target_.c_str(), W_OK) != 0)
            throw IoError(failure(path, errno));
        replacing_ = true;
        throughLinks_ = st.st_nlink > 1;
        mode_ = st.st_mode & 07777;
        owner_ = st.st_uid;
        group_ = st.st_gid;
    } else if (errno == ENOENT) {
        mode_ = 0666 & ~currentUmask();  // as a file created in place would get
    } else {
        throw IoError(failure(path, errno));
    }
    const fs::path target(target_);
    if (!target.has_filename())
        throw IoError("cannot write " + path + ": it names a folder");
    temporary_.emplace(sibling());
}

OutputFile::~OutputFile()
{
    if (deviceFd_ >= 0)
        ::close(deviceFd_);
}

int OutputFile::descriptor() const { return temporary_ ? temporary_->descriptor() : deviceFd_; }

TemporaryFile OutputFile::sibling() const
{
    const fs::path target(target_);
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    TemporaryFile file(folder.string(), target.filename().string(), path_);
    prepare(file);
    return file;
}

void OutputFile::prepare(TemporaryFile& file) const
{
    mode_t mode = mode_;
    if (replacing_ && ::fchown(file.descriptor(), static_cast<uid_t>(owner_), static_cast<gid_t>(group_)) != 0) {
        // Not ours to give away: keep at least the group where we are in it, and
        // drop set-user and set-group bits that would now mean someone else.
        if (::fchown(file.descriptor(), static_cast<uid_t>(-1), static_cast<gid_t>(group_)) != 0) {
        }
        mode &= 0777;
    }
    if (::fchmod(file.descriptor(), mode) != 0)
        throw IoError(failure(path_, errno));
}

void OutputFile::adopt(TemporaryFile&& next) { temporary_ = std::move(next); }

void OutputFile::commit()
{
    if (!temporary_) {
        const int closed = ::close(std::exchange(deviceFd_, -1));
        if (closed != 0)
            throw IoError(failure(path_, errno));
        return;
    }
    if (throughLinks_) {
        const int error = copyInto(temporary_->descriptor(), target_);
        temporary_.reset();
        if (error != 0)
            throw IoError(failure(path_, error));
        return;
    }
    temporary_->moveTo(target_, path_);
    temporary_.reset();
}

}  // namespace modem
