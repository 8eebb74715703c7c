#include "base/AtomicFile.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <climits>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <pthread.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

/// The temporary files being filled, so that a signal handler can remove them: fixed slots
/// of fixed size, claimed and released atomically, read without allocating or locking.
struct TemporarySlot {
    std::atomic<bool> taken {false};
    std::atomic<bool> named {false};
    char path[PATH_MAX] {};
};
std::array<TemporarySlot, 256> temporaries;

/// Set by the signal handler before it sweeps the slots: from then on no temporary file is
/// made.
std::atomic<bool> ending {false};
/// Threads between deciding to make a temporary file and having it in a slot. The handler
/// waits for them, so that a temporary file is in a slot when the sweep looks, or never made.
std::atomic<int> creating {0};

/// The signals that sweep the temporary files.
sigset_t sweepingSignals()
{
    sigset_t set;
    sigemptyset(&set);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
        sigaddset(&set, signal);
    return set;
}

/// Claims a slot for `path`; the slot's index, or -1 when every slot is taken or the path
/// does not fit.
int claimSlot(const char* path)
{
    const std::size_t length = std::strlen(path);
    if (length >= PATH_MAX)
        return -1;
    for (std::size_t i = 0; i < temporaries.size(); ++i) {
        bool expected = false;
        if (temporaries[i].taken.compare_exchange_strong(expected, true)) {
            std::memcpy(temporaries[i].path, path, length + 1);
            temporaries[i].named.store(true);
            return static_cast<int>(i);
        }
    }
    return -1;
}

void releaseSlot(int slot)
{
    if (slot < 0)
        return;
    temporaries[static_cast<std::size_t>(slot)].named.store(false);
    temporaries[static_cast<std::size_t>(slot)].taken.store(false);
}

/// The file a chain of symbolic links at `path` ends at, whether or not it is there; `path`
/// itself when it is no link. Empty when the chain is too long (a loop).
std::string endOfLinks(std::string path)
{
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info;
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return path;
        std::vector<char> target(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : PATH_MAX) + 1);
        const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
        if (length < 0 || static_cast<std::size_t>(length) >= target.size())
            return {};
        std::string next(target.data(), static_cast<std::size_t>(length));
        if (next.empty() || next[0] != '/') {
            const std::string::size_type slash = path.rfind('/');
            if (slash != std::string::npos)
                next = path.substr(0, slash + 1) + next;
        }
        path = std::move(next);
    }
    return {};
}

using Written = Outcome<WriteStatus>;

Written failed(WriteStatus status, std::string message)
{
    return Written::failed(status, std::move(message));
}

/// Writes all of `bytes` to `fd`.
Written writeAll(int fd, std::string_view bytes)
{
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return failed(WriteStatus::CannotWrite, std::strerror(errno));
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    return {};
}

/// Writes into a device, FIFO or socket as a stream.
Written writeStream(const std::string& path, std::string_view bytes)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return failed(WriteStatus::CannotCreate, std::strerror(errno));
    Written outcome = writeAll(fd, bytes);
    if (::close(fd) != 0 && outcome.ok())
        return failed(WriteStatus::CannotWrite, std::strerror(errno));
    return outcome;
}

/// The descriptor a path names: /dev/stdout, /dev/stderr, /dev/fd/N, /proc/self/fd/N or
/// /proc/PID/fd/N of this process, or a symbolic link that leads to one of them; -1 for
/// any other path.
int descriptorNamed(std::string path)
{
    const auto number = [](std::string_view digits) {
        if (digits.empty() || digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string_view::npos)
            return -1;
        return std::stoi(std::string(digits));
    };
    const std::string ownProcess = "/proc/" + std::to_string(::getpid()) + "/fd/";
    for (int step = 0; step < 40; ++step) {
        const std::string_view named = path;
        if (named == "/dev/stdout")
            return 1;
        if (named == "/dev/stderr")
            return 2;
        for (const std::string_view prefix : {std::string_view("/dev/fd/"), std::string_view("/proc/self/fd/"),
                 std::string_view("/proc/thread-self/fd/"), std::string_view(ownProcess)})
            if (named.starts_with(prefix))
                return number(named.substr(prefix.size()));
        // A link of the user's own, read as its text (a descriptor's own link would lead to
        // the file behind it).
        std::array<char, PATH_MAX> target {};
        const ssize_t length = ::readlink(path.c_str(), target.data(), target.size() - 1);
        if (length <= 0)
            return -1;
        const std::string text(target.data(), static_cast<std::size_t>(length));
        const std::size_t slash = path.rfind('/');
        path = text.starts_with('/') || slash == std::string::npos ? text : path.substr(0, slash + 1) + text;
    }
    return -1;
}

bool isStream(mode_t mode)
{
    return S_ISCHR(mode) || S_ISBLK(mode) || S_ISFIFO(mode) || S_ISSOCK(mode);
}

/// Where a write of a regular file goes, with the permission bits it gets, or why it cannot.
struct Destination : Written {
    std::string path;
    mode_t mode = 0;
};

/// The file a write to `requested` replaces, following its links when `links` says so.
Destination destinationOf(const std::string& requested, LinkPolicy links, bool isLink)
{
    Destination destination;
    destination.path = requested;
    auto refuse = [&destination](std::string message) {
        destination.status = WriteStatus::CannotCreate;
        destination.message = std::move(message);
        return destination;
    };
    if (links == LinkPolicy::Follow && isLink) {
        destination.path = endOfLinks(requested);
        if (destination.path.empty())
            return refuse(std::strerror(ELOOP));
    }
    struct stat existing;
    const bool there = ::lstat(destination.path.c_str(), &existing) == 0;
    if (there && S_ISDIR(existing.st_mode))
        return refuse("is a directory");
    // A file its owner protected from writing is not replaced behind its back.
    if (there && S_ISREG(existing.st_mode) && ::access(destination.path.c_str(), W_OK) != 0 && errno == EACCES)
        return refuse(std::strerror(EACCES));
    if (there && S_ISREG(existing.st_mode)) {
        destination.mode = existing.st_mode & 0777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        destination.mode = 0666 & ~mask;
    }
    return destination;
}

/// Writes `bytes` to a temporary file beside `destination` and renames it over it.
Written replaceWith(const Destination& destination, std::string_view bytes)
{
    // A short hidden name in the same folder, so a name near the length limit still fits.
    const std::string& path = destination.path;
    const std::string::size_type slash = path.rfind('/');
    const std::string pattern = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + ".seqlark-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    // Made and put in a slot with the sweeping signals held off this thread (the handler,
    // which waits for this, must not run in the middle of it), unless a sweep has begun.
    const sigset_t sweeping = sweepingSignals();
    sigset_t before;
    ::pthread_sigmask(SIG_BLOCK, &sweeping, &before);
    creating.fetch_add(1);
    int fd = -1, slot = -1, error = EINTR;
    if (!ending.load()) {
        fd = ::mkostemp(name.data(), O_CLOEXEC);
        error = errno;
        slot = fd < 0 ? -1 : claimSlot(name.data());
        if (fd >= 0 && slot < 0) { // a path too long for a slot, or 256 writes at once
            ::close(fd);
            ::unlink(name.data());
            fd = -1;
            error = ENAMETOOLONG;
        }
    }
    creating.fetch_sub(1);
    ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
    if (fd < 0)
        return failed(WriteStatus::CannotCreate, std::strerror(error));
    Written outcome = writeAll(fd, bytes);
    if (outcome.ok() && (::fchmod(fd, destination.mode) != 0 || ::fsync(fd) != 0))
        outcome = failed(WriteStatus::CannotWrite, std::strerror(errno));
    if (::close(fd) != 0 && outcome.ok())
        outcome = failed(WriteStatus::CannotWrite, std::strerror(errno));
    if (outcome.ok() && ::rename(name.data(), path.c_str()) != 0)
        outcome = failed(WriteStatus::CannotWrite, std::strerror(errno));
    if (!outcome.ok())
        ::unlink(name.data());
    releaseSlot(slot);
    return outcome;
}

} // namespace

Outcome<WriteStatus> writeFileAtomically(const std::string& requested, std::string_view bytes, LinkPolicy links)
{
    // A descriptor named as an output is written where it stands, whatever it leads to: a
    // file the shell opened keeps what came before (and >> appends), never renamed over.
    if (links == LinkPolicy::Follow) {
        if (const int fd = descriptorNamed(requested); fd >= 0) {
            if (::fcntl(fd, F_GETFD) < 0)
                return failed(WriteStatus::CannotCreate, std::strerror(errno));
            return writeAll(fd, bytes);
        }
    }
    struct stat existing;
    const bool followedThere = ::stat(requested.c_str(), &existing) == 0;
    struct stat own;
    const bool isLink = ::lstat(requested.c_str(), &own) == 0 && S_ISLNK(own.st_mode);
    if (followedThere && isStream(existing.st_mode) && links == LinkPolicy::Follow) {
        // A terminal, a pipe or /dev/null named as an output: renaming a file over it would
        // destroy it. In a program's own folder such a thing is planted, and replaced.
        return writeStream(requested, bytes);
    }
    const Destination destination = destinationOf(requested, links, isLink);
    if (!destination.ok())
        return destination;
    return replaceWith(destination, bytes);
}

void removeTemporaryFiles()
{
    for (TemporarySlot& slot : temporaries)
        if (slot.named.load())
            ::unlink(slot.path);
}

namespace {

extern "C" void removeAndEnd(int signal)
{
    ending.store(true);
    // A thread making its temporary file is done in microseconds; a second at most is waited.
    for (int waited = 0; waited < 1000 && creating.load() > 0; ++waited) {
        const timespec millisecond {0, 1000000};
        ::nanosleep(&millisecond, nullptr);
    }
    removeTemporaryFiles();
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

} // namespace

void removeTemporaryFilesOnSignals()
{
    struct sigaction action {};
    action.sa_handler = removeAndEnd;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
        ::sigaction(signal, &action, nullptr);
}
