#pragma once

#include <cstddef>
#include <cstdlib>
#include <cstdint>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

/// Bytes in an anonymous in-memory file, reachable by a path while the object lives.
class MemoryFile {
public:
    MemoryFile(const std::uint8_t* data, std::size_t size)
        : fd(::memfd_create("seqlark-fuzz", 0))
    {
        std::size_t written = 0;
        while (fd >= 0 && written < size) {
            ssize_t n = ::write(fd, data + written, size - written);
            if (n <= 0)
                break;
            written += static_cast<std::size_t>(n);
        }
        path_ = "/proc/self/fd/" + std::to_string(fd);
    }
    ~MemoryFile()
    {
        if (fd >= 0)
            ::close(fd);
    }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;
    const char* path() const { return path_.c_str(); }

private:
    int fd;
    std::string path_;
};

/// A folder of the fuzzer's own for the files its runs write, memory-backed where it can be.
inline std::string scratchFolder()
{
    char pattern[] = "/dev/shm/seqlark-fuzz-XXXXXX";
    char fallback[] = "/tmp/seqlark-fuzz-XXXXXX";
    const char* made = ::mkdtemp(pattern);
    return made ? made : ::mkdtemp(fallback);
}
