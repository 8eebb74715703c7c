#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

/// What became of reading a whole file.
enum class ReadStatus { Read, NoPath, CannotOpen, ReadError, CorruptGzip, TruncatedGzip, OutOfMemory };

/// Reports bytes of the file consumed so far out of its size (0 when unknown).
using ReadProgress = std::function<void(std::uint64_t done, std::uint64_t total)>;

/// A whole file in memory, inflated when it is gzip-compressed, followed by one zero byte.
struct FileBytes {
    std::unique_ptr<char[]> data;
    std::size_t size = 0;
    ReadStatus status = ReadStatus::NoPath;
    std::string error; ///< the cause, for front ends, when status is not Read
};

/// Reads the file at `path` whole. A file that starts with the gzip magic bytes is inflated
/// through zlib, member after member; other files are taken as they are. Pipes and other
/// streams are read to their end.
FileBytes readFileBytes(const char* path, const ReadProgress& progress = {});
