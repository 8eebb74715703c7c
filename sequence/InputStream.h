#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

/// What became of reading a file.
enum class ReadStatus { Read, NoPath, CannotOpen, ReadError, CorruptGzip, TruncatedGzip, TrailingBytes, OutOfMemory };

/// Which inflater decompresses gzip input. Automatic takes ISA-L where the program was built
/// with it (several times faster) and zlib otherwise.
enum class Inflater { Automatic, Zlib, Isal };

/// True when the program was built with ISA-L.
bool isalAvailable();

/// A file's bytes in order, read in chunks and inflated on the way when the file starts with
/// the gzip magic bytes (member after member, as concatenated gzip files hold them; anything
/// after the last member that does not start another is a failure, TrailingBytes, and so is
/// zero padding). Regular files, pipes and other streams are read to their end.
class InputStream {
public:
    InputStream();
    ~InputStream();
    InputStream(const InputStream&) = delete;
    InputStream& operator=(const InputStream&) = delete;

    /// Opens `path`; false (with status() and error() set) when it cannot be read.
    bool open(const char* path, Inflater inflater = Inflater::Automatic);
    /// Reads from `bytes` instead of a file; the bytes must outlive the stream.
    void openMemory(const char* bytes, std::size_t size, Inflater inflater = Inflater::Automatic);

    /// Up to `capacity` bytes of the (inflated) content; 0 at its end or on failure.
    std::size_t read(char* into, std::size_t capacity);

    /// Read while no failure has happened; the cause otherwise.
    ReadStatus status() const { return status_; }
    const std::string& error() const { return error_; }
    /// Bytes of the file consumed so far, and its size (0 when unknown, as for a pipe).
    std::uint64_t consumed() const { return consumed_; }
    std::uint64_t size() const { return size_; }
    /// True when the file is gzip-compressed.
    bool compressed() const { return !plain; }

private:
    class Decoder;
    class ZlibDecoder;
    class IsalDecoder;

    bool fail(ReadStatus status, std::string error);
    /// Raw bytes of the file, refilling the input buffer; false at its end.
    bool refill();
    void chooseDecoder(Inflater inflater);
    /// Whether the gzip member starting here has no reserved header flag set; fails the read
    /// when it has.
    bool memberHeaderSound();

    int fd = -1;
    const char* memory = nullptr;
    std::size_t memorySize = 0;
    std::unique_ptr<char[]> input;
    std::size_t inputStart = 0;
    std::size_t inputEnd = 0;
    bool inputEnded = false;
    std::unique_ptr<Decoder> decoder;
    bool plain = true;
    bool inMemberEnd = false;
    ReadStatus status_ = ReadStatus::NoPath;
    std::string error_;
    std::uint64_t consumed_ = 0;
    std::uint64_t size_ = 0;
};
