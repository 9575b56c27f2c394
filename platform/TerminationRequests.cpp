// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/TerminationRequests.h"

#include <QSocketNotifier>

#include <utility>

#if defined(__unix__) || defined(__APPLE__)
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#define MSK_HAVE_POSIX_SIGNALS 1
#endif

#ifdef MSK_HAVE_POSIX_SIGNALS
namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
constexpr int kSignalCount = sizeof kSignals / sizeof kSignals[0];

// The write end of the pair for the handler; -1 when no instance watches.
volatile sig_atomic_t gWriteFd = -1;
struct sigaction gPrevious[kSignalCount];

// Async-signal-safe: one byte into the pair, errno left as it was.
extern "C" void onTerminationSignal(int)
{
    const int savedErrno = errno;
    const int fd = gWriteFd;
    if (fd >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
    }
    errno = savedErrno;
}

}  // namespace
#endif

TerminationRequests::TerminationRequests(std::function<void()> onRequest) : onRequest_(std::move(onRequest))
{
#ifdef MSK_HAVE_POSIX_SIGNALS
    if (gWriteFd >= 0)
        return;  // another instance watches already
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0)
        return;
    for (const int fd : fds) {
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);  // a full pair never blocks the handler
    }
    readFd_ = fds[0];
    writeFd_ = fds[1];
    notifier_ = new QSocketNotifier(readFd_, QSocketNotifier::Read, this);
    QObject::connect(notifier_, &QSocketNotifier::activated, this, [this] { drain(); });
    gWriteFd = writeFd_;

    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (int i = 0; i < kSignalCount; ++i)
        ::sigaction(kSignals[i], &action, &gPrevious[i]);
#endif
}

TerminationRequests::~TerminationRequests()
{
#ifdef MSK_HAVE_POSIX_SIGNALS
    if (notifier_ == nullptr)
        return;
    for (int i = 0; i < kSignalCount; ++i)
        ::sigaction(kSignals[i], &gPrevious[i], nullptr);
    gWriteFd = -1;
    delete notifier_;
    notifier_ = nullptr;
    ::close(readFd_);
    ::close(writeFd_);
#endif
}

void TerminationRequests::drain()
{
#ifdef MSK_HAVE_POSIX_SIGNALS
    // Signals close together make one request: the program ends once.
    char bytes[16];
    bool requested = false;
    while (::read(readFd_, bytes, sizeof bytes) > 0)
        requested = true;
    if (requested && onRequest_)
        onRequest_();
#endif
}
