// The DTable text file: four header numbers, then six lines per record ("*****", word, count,
// three scores), then one 0x00 byte. Every line end written is CR LF; on reading, a CR directly
// before an LF belongs to the line end.

#include "base/AtomicFile.h"
#include "base/Numbers.h"
#include "base/RealFormat.h"
#include "tables/DTable.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <string_view>
#include <sys/stat.h>

namespace {

void appendInteger(std::string& out, std::int64_t value)
{
    char digits[24];
    auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
}

/// A table file read a block at a time. What has been read and not yet taken stays in one
/// piece in memory, so that a record is always parsed from contiguous bytes.
class BlockReader {
public:
    BlockReader(std::FILE* file, std::size_t blockSize)
        : file(file)
        , capacity(blockSize)
        , buffer(std::make_unique_for_overwrite<char[]>(blockSize))
    {
    }

    /// The bytes read and not yet taken.
    std::string_view pending() const { return {buffer.get() + start, filled - start}; }
    /// True once the file has no more to give: pending() is all that is left of it.
    bool finished() const { return ended; }
    void take(std::size_t count) { start += count; }

    /// Reads on after pending(), moving it to the front of the buffer and growing the buffer
    /// when it is full. A read that gives nothing (the end, or an error) ends the file.
    bool readMore()
    {
        if (ended)
            return false;
        const std::size_t kept = filled - start;
        if (kept == capacity) {
            auto larger = std::make_unique_for_overwrite<char[]>(capacity * 2);
            std::memcpy(larger.get(), buffer.get() + start, kept);
            buffer = std::move(larger);
            capacity *= 2;
        } else if (start > 0) {
            std::memmove(buffer.get(), buffer.get() + start, kept);
        }
        start = 0;
        filled = kept;
        const std::size_t got = std::fread(buffer.get() + filled, 1, capacity - filled, file);
        filled += got;
        ended = got == 0;
        return got > 0;
    }

private:
    std::FILE* file;
    std::size_t capacity;
    std::unique_ptr<char[]> buffer;
    std::size_t start = 0;
    std::size_t filled = 0;
    bool ended = false;
};

/// The whole-number value of a count or score line: 0 without digits, and held at the
/// largest magnitude on either side when it does not fit.
std::int64_t wholeNumber(std::string_view line)
{
    const std::int64_t value = parseInteger(line).value;
    return value == std::numeric_limits<std::int64_t>::min() ? -std::numeric_limits<std::int64_t>::max() : value;
}

/// The LF bytes of a text in order, found 64 bytes at a time.
class LineFeeds {
public:
    LineFeeds(const char* begin, const char* end)
        : text(begin)
        , size(static_cast<std::size_t>(end - begin))
        , mask(maskAt(0))
    {
    }

    /// The first LF after the one last returned (from the start of the text at first), or
    /// null when there is none.
    const char* next()
    {
        while (mask == 0) {
            window += 64;
            if (window >= size)
                return nullptr;
            mask = maskAt(window);
        }
        const char* found = text + window + static_cast<std::size_t>(std::countr_zero(mask));
        mask &= mask - 1;
        return found;
    }

private:
    /// Bit i set when the byte at `offset + i` is an LF, for the bytes of the text.
    std::uint64_t maskAt(std::size_t offset) const
    {
        if (size - offset >= 64)
            return lineFeedBits(text + offset);
        char last[64] = {};
        std::memcpy(last, text + offset, size - offset);
        return lineFeedBits(last);
    }

    /// Bit i set when bytes[i] is an LF, for 64 bytes, eight at a time: in each eight, the
    /// high bit of a byte ends up set exactly when the byte was an LF, and a multiplication
    /// gathers those eight bits into one byte.
    static std::uint64_t lineFeedBits(const char* bytes)
    {
        constexpr std::uint64_t lowBits = 0x7F7F7F7F7F7F7F7FULL;
        std::uint64_t bits = 0;
        for (int part = 0; part < 8; ++part) {
            std::uint64_t word;
            std::memcpy(&word, bytes + 8 * part, sizeof word);
            if constexpr (std::endian::native == std::endian::big)
                word = __builtin_bswap64(word);
            const std::uint64_t zeroed = word ^ 0x0A0A0A0A0A0A0A0AULL;
            const std::uint64_t found = ~(((zeroed & lowBits) + lowBits) | zeroed) & ~lowBits;
            bits |= ((found >> 7) * 0x0102040810204080ULL >> 56) << (8 * part);
        }
        return bits;
    }

    const char* text;
    std::size_t size;
    std::size_t window = 0; ///< offset of the 64 bytes `mask` covers
    std::uint64_t mask;
};

/// The lines of one record, each without its line end.
struct RecordLines {
    std::string_view word; ///< up to the word line's first zero byte
    std::string_view numbers[4];
};

/// Calls `record` for each whole record at the start of `text` whose word is not empty: six
/// lines, each up to the next LF, which is taken but not kept, with a CR directly before it
/// dropped. With `final`, `text` is all that is left of the file: a record may then end
/// early, its missing lines empty and a last line without LF taken as it is. Returns the
/// bytes used.
template <class Record>
std::size_t forEachRecord(std::string_view text, bool final, Record&& record)
{
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    LineFeeds lineFeeds(begin, end);
    // The first zero byte at or after the last word line looked at, found lazily.
    const char* zero = nullptr;
    const char* next = begin;
    while (next < end) {
        // Where each of the six lines starts and ends. Deliberately not cleared first: for
        // every record that costs about as much as finding the lines.
        const char* starts[6];
        const char* ends[6];
        const char* at = next;
        for (int i = 0; i < 6; ++i) {
            starts[i] = at;
            if (at == end) {
                if (!final)
                    return static_cast<std::size_t>(next - begin);
                ends[i] = end;
                continue;
            }
            const char* lf = lineFeeds.next();
            if (!lf) {
                if (!final)
                    return static_cast<std::size_t>(next - begin);
                ends[i] = end;
                at = end;
                continue;
            }
            ends[i] = lf > at && lf[-1] == '\r' ? lf - 1 : lf;
            at = lf + 1;
        }
        next = at;

        const char* wordStart = starts[1];
        if (ends[1] == wordStart)
            continue;
        if (!zero || zero < wordStart) {
            zero = static_cast<const char*>(std::memchr(wordStart, '\0', static_cast<std::size_t>(end - wordStart)));
            if (!zero)
                zero = end;
        }
        const std::size_t wordLength = static_cast<std::size_t>(std::min(ends[1], zero) - wordStart);
        if (wordLength == 0)
            continue;
        auto line = [&](int i) { return std::string_view(starts[i], static_cast<std::size_t>(ends[i] - starts[i])); };
        record(RecordLines {{wordStart, wordLength}, {line(2), line(3), line(4), line(5)}});
    }
    return static_cast<std::size_t>(next - begin);
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

/// Whether `text` from `at` to its end is blanks and at most a sign: a number could still
/// follow there.
bool onlyBlanksAndSign(std::string_view text, std::size_t at)
{
    while (at < text.size() && isBlank(static_cast<unsigned char>(text[at])))
        ++at;
    if (at < text.size() && (text[at] == '+' || text[at] == '-'))
        ++at;
    return at == text.size();
}

/// Reads the four header numbers at the start of `text` and checks the bucket count; `end`
/// is where the fourth number ends. A header number is read as parseInteger reads it and may
/// follow the one before across blanks and line ends. Unless `final` (then `text` is the
/// whole file), nothing when `text` ends before the header is known.
std::optional<LoadStatus> parseHeader(std::string_view text, bool final, TableHeader& header,
    std::size_t& end, std::string& cause)
{
    std::size_t at = 0;
    for (std::int64_t& number : header) {
        const ParsedInteger parsed = parseInteger(text.substr(at));
        if (!parsed.digits || parsed.overflow) {
            if (!final && !parsed.overflow && onlyBlanksAndSign(text, at))
                return std::nullopt;
            cause = "its four header numbers cannot be read";
            return LoadStatus::NotATable;
        }
        at += parsed.end;
        if (!final && at == text.size())
            return std::nullopt;
        number = parsed.value;
    }
    end = at;
    if (header[0] < 1 || header[0] > DTable::maximumBucketCount) {
        cause = "its bucket count " + std::to_string(header[0]) + " is outside 1 to "
            + std::to_string(DTable::maximumBucketCount);
        return LoadStatus::BadBucketCount;
    }
    return LoadStatus::Loaded;
}

/// Reads the header from `in`, reading on until it is known, and takes it.
LoadStatus readHeader(BlockReader& in, TableHeader& header, std::string& cause)
{
    for (;;) {
        std::size_t end = 0;
        const std::optional<LoadStatus> status = parseHeader(in.pending(), in.finished(), header, end, cause);
        if (status) {
            in.take(end);
            return *status;
        }
        in.readMore();
    }
}

/// Enough for the header of any table a program writes; probing reads no further.
constexpr std::size_t probeBlockSize = 4096;
/// The block a whole table is read in.
constexpr std::size_t loadBlockSize = std::size_t(1) << 20;

} // namespace

LoadStatus probeTableFile(const char* path, std::string& cause)
{
    TableHeader header;
    return probeTableFile(path, cause, header);
}

LoadStatus probeTableFile(const char* path, std::string& cause, TableHeader& header)
{
    FilePointer file = openTable(path, cause);
    if (!file)
        return LoadStatus::CannotOpen;
    BlockReader in(file.get(), probeBlockSize);
    return readHeader(in, header, cause);
}

LoadStatus DTable::load(const char* path)
{
    return read(path, nullptr);
}

LoadStatus DTable::load(const char* path, const std::vector<std::size_t>& keptLengths)
{
    return read(path, &keptLengths);
}

LoadStatus DTable::read(const char* path, const std::vector<std::size_t>* keptLengths)
{
    std::string cause;
    FilePointer file = openTable(path, cause);
    if (!file) {
        diagnostics_ << "Invalid read file name: " << (path ? path : "") << '\n';
        return LoadStatus::CannotOpen;
    }
    BlockReader in(file.get(), loadBlockSize);
    TableHeader header;
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
    while (in.pending().size() < 2 && in.readMore()) {
    }
    if (!in.pending().empty()) {
        const bool cr = in.pending()[0] == '\r';
        in.take(1);
        if (cr && !in.pending().empty() && in.pending()[0] == '\n')
            in.take(1);
    }

    auto keep = [&](const RecordLines& lines) {
        if (keptLengths
            && std::find(keptLengths->begin(), keptLengths->end(), lines.word.size()) == keptLengths->end())
            return;
        WordEntry entry(DString(lines.word.data(), lines.word.size()), wholeNumber(lines.numbers[0]),
            wholeNumber(lines.numbers[1]), wholeNumber(lines.numbers[2]), wholeNumber(lines.numbers[3]));
        buckets[static_cast<std::size_t>(bucketOf(entry.word))].push_back(std::move(entry));
    };
    for (;;) {
        in.take(forEachRecord(in.pending(), in.finished(), keep));
        if (in.finished())
            return LoadStatus::Loaded;
        in.readMore();
    }
}
