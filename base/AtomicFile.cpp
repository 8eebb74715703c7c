#include "base/AtomicFile.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <climits>
#include <cstring>
#include <fcntl.h>
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
std::array<TemporarySlot, 64> temporaries;

/// Claims a slot for `path`; the slot's index, or -1 when every slot is taken or the path
/// does not fit (the write then goes on, only without the clean-up on a signal).
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

bool writeAll(int fd, std::string_view bytes, std::string& error)
{
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            error = std::strerror(errno);
            return false;
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    return true;
}

/// Writes into a device, FIFO or socket as a stream.
WriteOutcome writeStream(const std::string& path, std::string_view bytes, std::string& error)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        error = std::strerror(errno);
        return WriteOutcome::CannotCreate;
    }
    const bool written = writeAll(fd, bytes, error);
    if (::close(fd) != 0 && written) {
        error = std::strerror(errno);
        return WriteOutcome::CannotWrite;
    }
    return written ? WriteOutcome::Written : WriteOutcome::CannotWrite;
}

bool isStream(mode_t mode)
{
    return S_ISCHR(mode) || S_ISBLK(mode) || S_ISFIFO(mode) || S_ISSOCK(mode);
}

} // namespace

WriteOutcome writeFileAtomically(const std::string& requested, std::string_view bytes, std::string& error,
    LinkPolicy links)
{
    struct stat existing;
    const bool followedThere = ::stat(requested.c_str(), &existing) == 0;
    struct stat own;
    const bool isLink = ::lstat(requested.c_str(), &own) == 0 && S_ISLNK(own.st_mode);
    if (followedThere && isStream(existing.st_mode) && (links == LinkPolicy::Follow || !isLink)) {
        // A terminal, a pipe or /dev/null: renaming a file over it would destroy it.
        return writeStream(requested, bytes, error);
    }
    std::string path = requested;
    if (links == LinkPolicy::Follow && isLink) {
        path = endOfLinks(requested);
        if (path.empty()) {
            error = std::strerror(ELOOP);
            return WriteOutcome::CannotCreate;
        }
    }
    const bool there = ::lstat(path.c_str(), &existing) == 0;
    if (there && S_ISDIR(existing.st_mode)) {
        error = "is a directory";
        return WriteOutcome::CannotCreate;
    }
    if (there && S_ISREG(existing.st_mode) && ::access(path.c_str(), W_OK) != 0 && errno == EACCES) {
        // A file its owner protected from writing is not replaced behind its back.
        error = std::strerror(EACCES);
        return WriteOutcome::CannotCreate;
    }
    mode_t mode;
    if (there && S_ISREG(existing.st_mode)) {
        mode = existing.st_mode & 0777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    // A short hidden name in the same folder, so a name near the length limit still fits.
    const std::string::size_type slash = path.rfind('/');
    const std::string pattern = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + ".seqlark-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        error = std::strerror(errno);
        return WriteOutcome::CannotCreate;
    }
    const int slot = claimSlot(name.data());
    auto fail = [&](WriteOutcome outcome) {
        ::unlink(name.data());
        releaseSlot(slot);
        return outcome;
    };
    if (!writeAll(fd, bytes, error)) {
        ::close(fd);
        return fail(WriteOutcome::CannotWrite);
    }
    if (::fchmod(fd, mode) != 0 || ::fsync(fd) != 0) {
        error = std::strerror(errno);
        ::close(fd);
        return fail(WriteOutcome::CannotWrite);
    }
    if (::close(fd) != 0 || ::rename(name.data(), path.c_str()) != 0) {
        error = std::strerror(errno);
        return fail(WriteOutcome::CannotWrite);
    }
    releaseSlot(slot);
    return WriteOutcome::Written;
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
