#include "base/AtomicFile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::string resolveLink(const std::string& path)
{
    struct stat info;
    if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved))
            return resolved;
    }
    return path;
}

mode_t modeFor(const std::string& path)
{
    struct stat info;
    if (::stat(path.c_str(), &info) == 0)
        return info.st_mode & 07777;
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

WriteOutcome writeFileAtomically(const std::string& requested, std::string_view bytes, std::string& error)
{
    const std::string path = resolveLink(requested);
    struct stat existing;
    if (::stat(path.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode)) {
        error = "is a directory";
        return WriteOutcome::CannotCreate;
    }
    if (::access(path.c_str(), F_OK) == 0 && ::access(path.c_str(), W_OK) != 0) {
        // A file its owner protected from writing is not replaced behind its back.
        error = std::strerror(errno);
        return WriteOutcome::CannotCreate;
    }
    // A short hidden name in the same folder, so a name near the length limit still fits.
    std::string::size_type slash = path.rfind('/');
    std::string pattern = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + ".seqlark-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = ::mkstemp(name.data());
    if (fd < 0) {
        error = std::strerror(errno);
        return WriteOutcome::CannotCreate;
    }
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        ssize_t written = ::write(fd, data, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            error = std::strerror(errno);
            ::close(fd);
            ::unlink(name.data());
            return WriteOutcome::CannotWrite;
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    if (::fchmod(fd, modeFor(path)) != 0 || ::fsync(fd) != 0) {
        error = std::strerror(errno);
        ::close(fd);
        ::unlink(name.data());
        return WriteOutcome::CannotWrite;
    }
    if (::close(fd) != 0 || ::rename(name.data(), path.c_str()) != 0) {
        error = std::strerror(errno);
        ::unlink(name.data());
        return WriteOutcome::CannotWrite;
    }
    return WriteOutcome::Written;
}
