#include "sequence/GzipReader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace {

constexpr std::size_t chunkSize = 4 << 20;

/// A growable byte buffer that keeps one spare byte for the terminating zero.
class Buffer {
public:
    bool reserve(std::size_t wanted)
    {
        if (wanted + 1 <= capacity)
            return true;
        std::size_t grown = capacity ? capacity : 1 << 16;
        while (grown < wanted + 1)
            grown = grown / 2 * 3;
        char* bigger = new (std::nothrow) char[grown];
        if (!bigger)
            return false;
        if (size)
            std::memcpy(bigger, data.get(), size);
        data.reset(bigger);
        capacity = grown;
        return true;
    }
    char* end() { return data.get() + size; }
    std::size_t room() const { return capacity - 1 - size; }

    std::unique_ptr<char[]> data;
    std::size_t size = 0;
    std::size_t capacity = 0;
};

class Descriptor {
public:
    explicit Descriptor(int fd)
        : fd(fd)
    {
    }
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int fd;
};

/// read() that retries on interruption; -1 on error.
ssize_t readSome(int fd, char* into, std::size_t count)
{
    for (;;) {
        ssize_t n = ::read(fd, into, count);
        if (n >= 0 || errno != EINTR)
            return n;
    }
}

FileBytes fail(ReadStatus status, std::string error)
{
    FileBytes result;
    result.status = status;
    result.error = std::move(error);
    return result;
}

FileBytes finish(Buffer& buffer)
{
    FileBytes result;
    buffer.data[buffer.size] = '\0';
    result.data = std::move(buffer.data);
    result.size = buffer.size;
    result.status = ReadStatus::Read;
    return result;
}

FileBytes readPlain(int fd, Buffer& buffer, std::uint64_t total, const ReadProgress& progress)
{
    for (;;) {
        if (buffer.room() == 0 && !buffer.reserve(buffer.size + chunkSize))
            return fail(ReadStatus::OutOfMemory, "out of memory");
        ssize_t n = readSome(fd, buffer.end(), std::min(buffer.room(), chunkSize));
        if (n < 0)
            return fail(ReadStatus::ReadError, std::strerror(errno));
        if (n == 0)
            return finish(buffer);
        buffer.size += static_cast<std::size_t>(n);
        if (progress)
            progress(buffer.size, total);
    }
}

FileBytes readGzip(int fd, Buffer& buffer, const unsigned char* head, std::size_t headSize,
    std::uint64_t total, const ReadProgress& progress)
{
    std::unique_ptr<char[]> input(new char[chunkSize]);
    std::memcpy(input.get(), head, headSize);
    std::size_t alreadyRead = headSize;
    // A compressed upstream file inflates to three or four times its size.
    if (total > 0 && !buffer.reserve(static_cast<std::size_t>(total) * 5))
        return fail(ReadStatus::OutOfMemory, "out of memory");

    z_stream stream {};
    if (inflateInit2(&stream, 15 + 16) != Z_OK)
        return fail(ReadStatus::OutOfMemory, "cannot start zlib");
    std::uint64_t consumed = 0;
    stream.next_in = reinterpret_cast<Bytef*>(input.get());
    stream.avail_in = static_cast<uInt>(alreadyRead);
    bool inputEnded = false;
    bool inMember = true;
    FileBytes result;
    for (;;) {
        if (stream.avail_in == 0 && !inputEnded) {
            ssize_t n = readSome(fd, input.get(), chunkSize);
            if (n < 0) {
                inflateEnd(&stream);
                return fail(ReadStatus::ReadError, std::strerror(errno));
            }
            consumed += static_cast<std::uint64_t>(n);
            if (progress)
                progress(consumed, total);
            inputEnded = n == 0;
            stream.next_in = reinterpret_cast<Bytef*>(input.get());
            stream.avail_in = static_cast<uInt>(n);
        }
        if (!inMember) {
            // Between members: another member may follow; anything else ends the data.
            if (stream.avail_in == 0 && inputEnded)
                break;
            if (stream.avail_in == 0)
                continue;
            if (stream.next_in[0] != 0x1f) {
                break;
            }
            inflateReset(&stream);
            inMember = true;
        }
        if (buffer.room() < chunkSize / 4 && !buffer.reserve(buffer.size + chunkSize)) {
            inflateEnd(&stream);
            return fail(ReadStatus::OutOfMemory, "out of memory");
        }
        std::size_t room = buffer.room();
        if (room > (1u << 30))
            room = 1u << 30;
        stream.next_out = reinterpret_cast<Bytef*>(buffer.end());
        stream.avail_out = static_cast<uInt>(room);
        int code = inflate(&stream, Z_NO_FLUSH);
        buffer.size += room - stream.avail_out;
        if (code == Z_STREAM_END) {
            inMember = false;
            continue;
        }
        if (code == Z_BUF_ERROR && stream.avail_in == 0 && inputEnded) {
            inflateEnd(&stream);
            return fail(ReadStatus::TruncatedGzip, "the gzip stream is truncated");
        }
        if (code != Z_OK && code != Z_BUF_ERROR) {
            inflateEnd(&stream);
            return fail(ReadStatus::CorruptGzip,
                std::string("corrupt gzip data (") + (stream.msg ? stream.msg : "inflate failed") + ")");
        }
    }
    inflateEnd(&stream);
    return finish(buffer);
}

} // namespace

FileBytes readFileBytes(const char* path, const ReadProgress& progress)
{
    if (!path)
        return fail(ReadStatus::NoPath, "no file name");
    Descriptor file(::open(path, O_RDONLY | O_CLOEXEC));
    if (file.fd < 0)
        return fail(ReadStatus::CannotOpen, std::strerror(errno));
    struct stat info;
    if (::fstat(file.fd, &info) != 0)
        return fail(ReadStatus::CannotOpen, std::strerror(errno));
    if (S_ISDIR(info.st_mode))
        return fail(ReadStatus::CannotOpen, std::strerror(EISDIR));
    std::uint64_t total = S_ISREG(info.st_mode) ? static_cast<std::uint64_t>(info.st_size) : 0;

    // Two bytes tell a gzip stream from plain text.
    unsigned char head[2];
    std::size_t headSize = 0;
    while (headSize < 2) {
        ssize_t n = readSome(file.fd, reinterpret_cast<char*>(head) + headSize, 2 - headSize);
        if (n < 0)
            return fail(ReadStatus::ReadError, std::strerror(errno));
        if (n == 0)
            break;
        headSize += static_cast<std::size_t>(n);
    }
    Buffer buffer;
    if (headSize == 2 && head[0] == 0x1f && head[1] == 0x8b)
        return readGzip(file.fd, buffer, head, headSize, total, progress);
    // One byte beyond the size lets the last read see the end of the file.
    if (!buffer.reserve(total ? static_cast<std::size_t>(total) + 1 : chunkSize))
        return fail(ReadStatus::OutOfMemory, "out of memory");
    std::memcpy(buffer.data.get(), head, headSize);
    buffer.size = headSize;
    if (headSize < 2)
        return finish(buffer);
    return readPlain(file.fd, buffer, total, progress);
}
