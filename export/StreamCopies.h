#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

/// The inputs of a run that can be read only once, held so that they can be read again: a
/// run reads an input to tell a table from FASTA, then to count it, and a genome once for
/// each kind of count, but standard input ("-"), a pipe, a FIFO (`<(...)`), a character
/// device or a socket gives its bytes once. Each such input is read whole, once, into
/// memory (as it came: gzip stays compressed) and read from there as a regular file, under
/// a path of its own. Regular files, folders and missing paths are left to their readers.
class StreamCopies {
public:
    StreamCopies() = default;
    StreamCopies(const StreamCopies&) = delete;
    StreamCopies& operator=(const StreamCopies&) = delete;
    ~StreamCopies();

    /// Reads `path` into memory when it names such a stream and has not been read yet.
    /// Returns why it cannot be read ("cannot read '-': ..."), or nothing. A stream that
    /// starts with a zero byte, or holds one before a table's or FASTA's first letter, is
    /// "neither a DTable nor a FASTA file" and is not read on (/dev/zero would never end);
    /// one larger than half the memory of the machine is refused when it gets there.
    std::string take(const std::string& path);
    /// The path to open to read what `path` names: the copy's, or `path` itself ("-" is
    /// standard input, which a reader opens as /dev/stdin).
    std::string source(const std::string& path) const;
    /// Appends text to a copy; false once it cannot be held.
    using Writer = std::function<bool(std::string_view)>;
    /// Holds in memory, as the input named `name` that source() then opens, the text
    /// `produce` writes, piece by piece, through the writer it is given (it returns false when
    /// it stopped short); returns why the text cannot be held, or nothing.
    std::string hold(const std::string& name, const std::function<bool(const Writer&)>& produce);
    /// The bytes a copy may hold at most.
    std::uint64_t capacity() const;
    /// `text` with each copy's path put back as the path the copy was taken of.
    std::string told(std::string text) const;

    /// Bytes a copy may hold at most (the default: half the machine's memory).
    void setLimit(std::uint64_t bytes) { limit = bytes; }

private:
    struct Copy {
        std::string path;   ///< as given
        int fd;             ///< the copy in memory
        std::string source; ///< /proc/self/fd/N, which opens the copy afresh
    };
    /// Makes an empty copy in memory standing for `path`; its descriptor, or -1 with errno set.
    int newCopy(const std::string& path);

    std::vector<Copy> copies;
    std::uint64_t limit = 0;
};
