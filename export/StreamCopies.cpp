// Inputs that give their bytes once, read whole into memory once.

#include "export/StreamCopies.h"

#include "export/Export.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

/// Bytes read at a time.
constexpr std::size_t chunkSize = 1 << 20;
/// The first bytes looked at for a zero byte before any text.
constexpr std::size_t firstBytes = 4 << 10;

/// Whether `path` names what can be read only once: "-", or anything that is neither a
/// regular file nor a folder. A path that cannot be looked at is its reader's to refuse.
bool namesStream(const std::string& path)
{
    if (path == "-")
        return true;
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode);
}

/// Whether the first bytes of a stream show it is no text: a zero byte, where it does not
/// start as gzip data (0x1F) or as a table (a digit or a sign after blanks), whose zero
/// byte ends it. FASTA text holds none.
bool startsAsNoText(std::string_view first)
{
    if (!first.empty() && static_cast<unsigned char>(first[0]) == 0x1F)
        return false;
    const std::size_t text = first.find_first_not_of(" \t\n\v\f\r");
    if (text != std::string_view::npos && (first[text] == '+' || first[text] == '-' || (first[text] >= '0' && first[text] <= '9')))
        return false;
    return first.find('\0') != std::string_view::npos;
}

/// Writes all of `size` bytes at `data` to `fd`.
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

/// Half the machine's memory, the most a copy may hold unless told otherwise.
std::uint64_t halfTheMemory()
{
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0)
        return std::uint64_t(1) << 32;
    return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize) / 2;
}

} // namespace

StreamCopies::~StreamCopies()
{
    for (const Copy& copy : copies)
        ::close(copy.fd);
}

std::string StreamCopies::take(const std::string& path)
{
    if (std::any_of(copies.begin(), copies.end(), [&path](const Copy& copy) { return copy.path == path; })
        || !namesStream(path))
        return {};
    const std::string cannot = "cannot read " + quotedPath(path.c_str()) + ": ";
    const int in = path == "-" ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return cannot + std::strerror(errno);
    struct Closing {
        int fd;
        ~Closing()
        {
            if (fd != STDIN_FILENO && fd >= 0)
                ::close(fd);
        }
    } input {in};
    const int fd = newCopy(path);
    if (fd < 0)
        return cannot + "no memory to hold it: " + std::strerror(errno);
    const std::uint64_t most = capacity();
    std::string chunk(chunkSize, '\0');
    std::string first; // the first bytes, looked at for a zero byte
    std::uint64_t held = 0;
    for (;;) {
        const ssize_t n = ::read(in, chunk.data(), chunk.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return cannot + std::strerror(errno);
        if (n == 0)
            break;
        const auto got = static_cast<std::size_t>(n);
        if (first.size() < firstBytes) {
            first.append(chunk.data(), std::min(got, firstBytes - first.size()));
            if (startsAsNoText(first))
                return quotedPath(path.c_str()) + " is neither a DTable nor a FASTA file";
        }
        held += got;
        if (held > most)
            return cannot + "it holds more than " + std::to_string(most >> 20)
                + " MB, more than can be held in memory to be read again; give it as a file";
        if (!writeAll(fd, chunk.data(), got))
            return cannot + "no memory to hold it: " + std::strerror(errno);
    }
    return {};
}

std::string StreamCopies::source(const std::string& path) const
{
    for (const Copy& copy : copies)
        if (copy.path == path)
            return copy.source;
    return path == "-" ? "/dev/stdin" : path;
}

std::string StreamCopies::told(std::string text) const
{
    for (const Copy& copy : copies) {
        for (std::size_t at = text.find(copy.source); at != std::string::npos; at = text.find(copy.source, at)) {
            const std::size_t after = at + copy.source.size();
            if (after < text.size() && text[after] >= '0' && text[after] <= '9') { // another descriptor's
                at = after;
                continue;
            }
            text.replace(at, copy.source.size(), copy.path);
            at += copy.path.size();
        }
    }
    return text;
}

std::string StreamCopies::hold(const std::string& name, const std::function<bool(const Writer&)>& produce)
{
    const int fd = newCopy(name);
    if (fd < 0)
        return std::string("no memory to hold ") + name + ": " + std::strerror(errno);
    int error = 0;
    const bool written = produce([fd, &error](std::string_view text) {
        if (writeAll(fd, text.data(), text.size()))
            return true;
        error = errno;
        return false;
    });
    if (!written)
        return std::string("no memory to hold ") + name + ": " + std::strerror(error ? error : ENOMEM);
    return {};
}

int StreamCopies::newCopy(const std::string& path)
{
    const int fd = ::memfd_create("seqlark-input", MFD_CLOEXEC);
    if (fd >= 0)
        copies.push_back({path, fd, "/proc/self/fd/" + std::to_string(fd)});
    return fd;
}

std::uint64_t StreamCopies::capacity() const
{
    return limit ? limit : halfTheMemory();
}
