// The DTable text file: four header numbers, then six lines per record ("*****", word, count,
// three scores), then one 0x00 byte. Every line end written is CR LF; on reading, a CR directly
// before an LF belongs to the line end.

#include "base/AtomicFile.h"
#include "base/RealFormat.h"
#include "tables/DTable.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <sys/stat.h>

namespace {

void appendInteger(std::string& out, std::int64_t value)
{
    char digits[24];
    auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
}

/// Buffered reading of a table file, byte by byte and line by line.
class ByteReader {
public:
    explicit ByteReader(std::FILE* file)
        : file(file)
        , buffer(new char[capacity])
    {
    }

    /// The next byte without taking it, or -1 at the end of the input.
    int peek()
    {
        if (position == filled && !refill())
            return -1;
        return static_cast<unsigned char>(buffer[position]);
    }
    int get()
    {
        int c = peek();
        if (c >= 0)
            ++position;
        return c;
    }
    bool atEnd() { return peek() < 0; }

    /// Reads up to the next LF, which is taken but not kept; a CR directly before it is dropped.
    /// A line that cannot be read at all is empty.
    void readLine(std::string& line)
    {
        line.clear();
        for (;;) {
            if (position == filled && !refill())
                return;
            const char* start = buffer.get() + position;
            const void* found = std::memchr(start, '\n', filled - position);
            if (found) {
                std::size_t n = static_cast<std::size_t>(static_cast<const char*>(found) - start);
                line.append(start, n);
                position += n + 1;
                if (!line.empty() && line.back() == '\r')
                    line.pop_back();
                return;
            }
            line.append(start, filled - position);
            position = filled;
        }
    }

private:
    bool refill()
    {
        if (failed)
            return false;
        position = 0;
        filled = std::fread(buffer.get(), 1, capacity, file);
        if (filled == 0)
            failed = true;
        return filled > 0;
    }

    static constexpr std::size_t capacity = 1 << 20;
    std::FILE* file;
    std::unique_ptr<char[]> buffer;
    std::size_t position = 0;
    std::size_t filled = 0;
    bool failed = false;
};

bool isBlank(int c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

/// A header number as a formatted stream read takes it: blanks and line ends skipped, an
/// optional sign, then decimal digits. False when no number is there or it does not fit.
bool readHeaderNumber(ByteReader& in, std::int64_t& value)
{
    while (isBlank(in.peek()))
        in.get();
    bool negative = false;
    if (in.peek() == '+' || in.peek() == '-')
        negative = in.get() == '-';
    if (in.peek() < '0' || in.peek() > '9')
        return false;
    std::uint64_t magnitude = 0;
    const std::uint64_t limit = negative ? std::uint64_t(std::numeric_limits<std::int64_t>::max()) + 1
                                         : std::uint64_t(std::numeric_limits<std::int64_t>::max());
    bool overflow = false;
    while (in.peek() >= '0' && in.peek() <= '9') {
        unsigned digit = static_cast<unsigned>(in.get() - '0');
        if (magnitude > (limit - digit) / 10)
            overflow = true;
        else
            magnitude = magnitude * 10 + digit;
    }
    if (overflow)
        return false;
    value = negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
    return true;
}

/// The whole-number conversion of a count or score line: leading blanks, an optional sign,
/// digits up to the first other byte; 0 without digits. Saturates instead of overflowing.
std::int64_t wholeNumber(const std::string& line)
{
    std::size_t i = 0;
    while (i < line.size() && isBlank(static_cast<unsigned char>(line[i])))
        ++i;
    bool negative = false;
    if (i < line.size() && (line[i] == '+' || line[i] == '-'))
        negative = line[i++] == '-';
    std::int64_t value = 0;
    constexpr std::int64_t most = std::numeric_limits<std::int64_t>::max();
    for (; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i) {
        int digit = line[i] - '0';
        value = value > (most - digit) / 10 ? most : value * 10 + digit;
    }
    return negative ? -value : value;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

} // namespace

std::string DTable::serialize() const
{
    std::string out;
    std::size_t records = 0;
    for (const auto& bucket : buckets)
        records += bucket.size();
    out.reserve(64 + records * 40);
    for (std::int64_t number : {std::int64_t(bucketCount_), sequenceLength_, totalCount_, distinctCount_}) {
        appendInteger(out, number);
        out += "\r\n";
    }
    for (const auto& bucket : buckets) {
        for (const WordEntry& entry : bucket) {
            out += "*****\r\n";
            out.append(entry.word.view());
            out += "\r\n";
            appendInteger(out, entry.count);
            out += "\r\n";
            for (double score : {entry.score1, entry.score2, entry.score3}) {
                appendReal(out, score);
                out += "\r\n";
            }
        }
    }
    out += '\0';
    return out;
}

bool DTable::write(const char* path, std::string* error) const
{
    if (!path)
        return false;
    std::string cause;
    WriteOutcome outcome = writeFileAtomically(path, serialize(), cause);
    if (outcome == WriteOutcome::Written)
        return true;
    diagnostics_ << (outcome == WriteOutcome::CannotCreate ? "Error opening DTable output file"
                                                            : "Error writing DTable output file")
                  << '\n';
    if (error)
        *error = cause;
    return false;
}

namespace {

using FilePointer = std::unique_ptr<std::FILE, FileCloser>;

/// Opens a table file; null for a missing or unreadable file and for a folder.
FilePointer openTable(const char* path, std::string& cause)
{
    FilePointer file(path ? std::fopen(path, "rb") : nullptr);
    struct stat info;
    if (!file) {
        cause = path ? std::strerror(errno) : "no file name";
    } else if (::fstat(::fileno(file.get()), &info) != 0 || S_ISDIR(info.st_mode)) {
        cause = std::strerror(EISDIR);
        file.reset();
    }
    return file;
}

/// Reads the four header numbers and checks the bucket count.
LoadStatus readHeader(ByteReader& in, std::int64_t (&header)[4], std::string& cause)
{
    for (std::int64_t& number : header) {
        if (!readHeaderNumber(in, number)) {
            cause = "its four header numbers cannot be read";
            return LoadStatus::NotATable;
        }
    }
    if (header[0] < 1 || header[0] > DTable::maximumBucketCount) {
        cause = "its bucket count " + std::to_string(header[0]) + " is outside 1 to "
            + std::to_string(DTable::maximumBucketCount);
        return LoadStatus::BadBucketCount;
    }
    return LoadStatus::Loaded;
}

} // namespace

LoadStatus probeTableFile(const char* path, std::string& cause)
{
    FilePointer file = openTable(path, cause);
    if (!file)
        return LoadStatus::CannotOpen;
    ByteReader in(file.get());
    std::int64_t header[4];
    return readHeader(in, header, cause);
}

LoadStatus DTable::load(const char* path)
{
    std::string cause;
    FilePointer file = openTable(path, cause);
    if (!file) {
        diagnostics_ << "Invalid read file name: " << (path ? path : "") << '\n';
        return LoadStatus::CannotOpen;
    }
    ByteReader in(file.get());
    std::int64_t header[4];
    LoadStatus status = readHeader(in, header, cause);
    if (status != LoadStatus::Loaded) {
        diagnostics_ << "Not a usable DTable file: " << path << " (" << cause << ")\n";
        return status;
    }
    bucketCount_ = static_cast<std::int32_t>(header[0]);
    sequenceLength_ = header[1];
    totalCount_ = header[2];
    distinctCount_ = header[3];
    buckets.assign(static_cast<std::size_t>(bucketCount_), {});

    // The line end after the fourth number is one character, CR LF included.
    if (in.get() == '\r' && in.peek() == '\n')
        in.get();

    std::string lines[6];
    while (!in.atEnd()) {
        for (std::string& line : lines)
            in.readLine(line);
        const std::string& wordLine = lines[1];
        std::size_t wordLength = std::strlen(wordLine.c_str());
        if (wordLength == 0)
            continue;
        WordEntry entry(DString(wordLine.data(), wordLength), wholeNumber(lines[2]), wholeNumber(lines[3]),
            wholeNumber(lines[4]), wholeNumber(lines[5]));
        std::int32_t b = bucketOf(entry.word);
        buckets[static_cast<std::size_t>(b)].push_back(std::move(entry));
    }
    return LoadStatus::Loaded;
}
