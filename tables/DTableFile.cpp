// The DTable text file: four header numbers, then six lines per record ("*****", word, count,
// three scores), then one 0x00 byte. Every line end written is CR LF; on reading, a CR directly
// before an LF belongs to the line end.

#include "base/AtomicFile.h"
#include "base/Numbers.h"
#include "tables/DTable.h"
#include "tables/DTableText.h"
#include "tables/LineFeeds.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <limits>
#include <memory>
#include <optional>
#include <string_view>
#include <sys/stat.h>

namespace {

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
    /// Bytes read from the file so far.
    std::uint64_t bytesRead() const { return total; }
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
        total += got;
        ended = got == 0;
        return got > 0;
    }

private:
    std::FILE* file;
    std::size_t capacity;
    std::unique_ptr<char[]> buffer;
    std::size_t start = 0;
    std::size_t filled = 0;
    std::uint64_t total = 0;
    bool ended = false;
};

/// The whole-number value of a count or score line: 0 without digits, and held at the
/// largest magnitude on either side when it does not fit.
std::int64_t wholeNumber(std::string_view line)
{
    const std::int64_t value = parseInteger(line).value;
    return value == std::numeric_limits<std::int64_t>::min() ? -std::numeric_limits<std::int64_t>::max() : value;
}

/// The lines of one record, each without its line end.
struct RecordLines {
    std::string_view lines[6];
    std::string_view word; ///< the word line up to its first zero byte
    bool whole;            ///< false when the file ended before the record's sixth LF
};

/// Calls `record` for each whole record at the start of `text`: six lines, each up to the
/// next LF, which is taken but not kept, with a CR directly before it dropped. With `final`,
/// `text` is all that is left of the file: a record may then end early, its missing lines
/// empty and a last line without LF taken as it is. Returns the bytes used.
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
        bool whole = true;
        for (int i = 0; i < 6; ++i) {
            starts[i] = at;
            if (at == end) {
                if (!final)
                    return static_cast<std::size_t>(next - begin);
                ends[i] = end;
                whole = false;
                continue;
            }
            const char* lf = lineFeeds.next();
            if (!lf) {
                if (!final)
                    return static_cast<std::size_t>(next - begin);
                ends[i] = end;
                at = end;
                whole = false;
                continue;
            }
            ends[i] = lf > at && lf[-1] == '\r' ? lf - 1 : lf;
            at = lf + 1;
        }
        next = at;

        RecordLines lines;
        for (int i = 0; i < 6; ++i)
            lines.lines[i] = std::string_view(starts[i], static_cast<std::size_t>(ends[i] - starts[i]));
        lines.whole = whole;
        const char* wordStart = starts[1];
        if (ends[1] != wordStart) {
            if (!zero || zero < wordStart) {
                zero = static_cast<const char*>(std::memchr(wordStart, '\0', static_cast<std::size_t>(end - wordStart)));
                if (!zero)
                    zero = end;
            }
            lines.word = std::string_view(wordStart, static_cast<std::size_t>(std::min(ends[1], zero) - wordStart));
        }
        record(lines);
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
    out.reserve(64 + records.size() * 40);
    appendTableHeader(out, bucketCount_, sequenceLength_, totalCount_, distinctCount_);
    forEachListed([&out](const WordEntry& entry) {
        appendRecordStart(out, entry.word.view(), entry.count);
        appendRecordScores(out, entry.score1, entry.score2, entry.score3);
    });
    appendTableEnd(out);
    return out;
}

Outcome<WriteStatus> DTable::write(const char* path) const
{
    if (!path)
        return Outcome<WriteStatus>::failed(WriteStatus::CannotCreate, "no file name");
    return writeText(path, serialize());
}

Outcome<WriteStatus> DTable::writeText(const char* path, const std::string& text) const
{
    Outcome<WriteStatus> outcome = writeFileAtomically(path, text);
    if (!outcome.ok())
        diagnostics_ << (outcome.status == WriteStatus::CannotCreate ? "Error opening DTable output file"
                                                                      : "Error writing DTable output file")
                      << '\n';
    return outcome;
}

namespace {

using FilePointer = std::unique_ptr<std::FILE, FileCloser>;

/// Opens a table file; null for a missing or unreadable file and for a folder. `size` is the
/// file's size when it is a regular file, 0 otherwise.
FilePointer openTable(const char* path, std::string& cause, std::uint64_t& size)
{
    FilePointer file(path ? std::fopen(path, "rb") : nullptr);
    struct stat info;
    size = 0;
    if (!file) {
        cause = path ? std::strerror(errno) : "no file name";
    } else if (::fstat(::fileno(file.get()), &info) != 0 || S_ISDIR(info.st_mode)) {
        cause = std::strerror(EISDIR);
        file.reset();
    } else if (S_ISREG(info.st_mode)) {
        size = static_cast<std::uint64_t>(info.st_size);
    }
    return file;
}

/// How many records a table file of `size` bytes is likely to hold: a record of an exported
/// table takes 30 to 40 bytes. At most about a million (48 MB of records), whatever a file of
/// long lines or a sparse file claims.
std::size_t likelyRecords(std::uint64_t size)
{
    return static_cast<std::size_t>(std::min<std::uint64_t>(size / 32, std::uint64_t(1) << 20));
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

/// Names the line where a header number was looked for from `at` and not found, and what it
/// holds (40 bytes at most), as "line 2, '1e3', holds no whole decimal number".
std::string unreadHeaderLine(std::string_view text, std::size_t at)
{
    while (at < text.size() && isBlank(static_cast<unsigned char>(text[at])))
        ++at;
    const auto line = 1 + std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(at), '\n');
    if (at == text.size())
        return "the file ends at line " + std::to_string(line);
    const std::size_t start = at == 0 ? 0 : text.rfind('\n', at - 1) + 1; // npos + 1 is 0
    std::string_view held = text.substr(start, std::min(text.find('\n', start), text.size()) - start);
    if (!held.empty() && held.back() == '\r')
        held.remove_suffix(1);
    return "line " + std::to_string(line) + ", '" + std::string(held.substr(0, 40)) + "', holds no whole decimal number";
}

/// Reads the four header numbers at the start of `text` and checks the bucket count; `ends`
/// are where the numbers end. A header number is read as parseInteger reads it and may
/// follow the one before across blanks and line ends. Unless `final` (then `text` is the
/// whole file), nothing when `text` ends before the header is known.
std::optional<LoadStatus> parseHeader(std::string_view text, bool final, TableHeader& header,
    std::array<std::size_t, 4>& ends, std::string& cause)
{
    std::size_t at = 0;
    for (std::size_t i = 0; i < header.size(); ++i) {
        const ParsedInteger parsed = parseInteger(text.substr(at));
        if (!parsed.digits || parsed.overflow) {
            if (!final && !parsed.overflow && onlyBlanksAndSign(text, at))
                return std::nullopt;
            cause = "its four header numbers cannot be read: " + unreadHeaderLine(text, at);
            return LoadStatus::NotATable;
        }
        at += parsed.end;
        if (!final && at == text.size())
            return std::nullopt;
        header[i] = parsed.value;
        ends[i] = at;
    }
    if (header[0] < 1 || header[0] > DTable::maximumBucketCount) {
        cause = "its bucket count " + std::to_string(header[0]) + " is outside 1 to "
            + std::to_string(DTable::maximumBucketCount);
        return LoadStatus::BadBucketCount;
    }
    return LoadStatus::Loaded;
}

std::uint64_t lineFeedsIn(std::string_view text)
{
    return static_cast<std::uint64_t>(std::count(text.begin(), text.end(), '\n'));
}

/// Whether a record line holds anything but CR and 0x00 bytes, the ones a table's end may
/// leave behind.
bool holdsText(std::string_view line)
{
    return std::any_of(line.begin(), line.end(), [](char c) { return c != '\0' && c != '\r'; });
}

/// A table file read a block at a time: its header, then its records, noting in `facts` what
/// the file holds besides them.
class TableReader {
public:
    TableReader(std::FILE* file, std::size_t blockSize, TableFileFacts& facts)
        : in(file, blockSize)
        , facts(facts)
    {
    }

    /// Reads the header, reading on until it is known, and takes it.
    LoadStatus readHeader(std::string& cause)
    {
        for (;;) {
            std::array<std::size_t, 4> ends {};
            const std::optional<LoadStatus> status
                = parseHeader(in.pending(), in.finished(), facts.header, ends, cause);
            if (status) {
                if (*status == LoadStatus::Loaded) {
                    for (std::size_t i = 0; i < ends.size(); ++i)
                        facts.headerLines[i] = 1 + lineFeedsIn(in.pending().substr(0, ends[i]));
                    noteCrowdedLine(ends);
                    line = facts.headerLines[3];
                    in.take(ends[3]);
                }
                return *status;
            }
            in.readMore();
        }
    }

    /// Reads every record after the header, handing `keep` those with a word.
    template <class Keep>
    void readRecords(Keep&& keep)
    {
        // The line end after the fourth number is one character, CR LF included.
        while (in.pending().size() < 2 && in.readMore()) {
        }
        if (!in.pending().empty()) {
            const bool cr = in.pending()[0] == '\r';
            line += in.pending()[0] == '\n';
            in.take(1);
            if (cr && !in.pending().empty() && in.pending()[0] == '\n') {
                in.take(1);
                ++line;
            }
        }
        auto record = [&](const RecordLines& lines) {
            note(lines);
            if (!lines.word.empty())
                keep(lines);
            line += 6;
        };
        for (;;) {
            in.take(forEachRecord(in.pending(), in.finished(), record));
            if (in.finished())
                break;
            in.readMore();
        }
        if (!ended && !facts.cutShortLine)
            facts.missingEndLine = blankEnd ? blankEnd : line;
        facts.bytes = in.bytesRead();
    }

private:
    /// Notes the first header line holding more than its number: one the next number shares,
    /// or the fourth number's line with more after the number. The loader reads on across
    /// them, as it always has.
    void noteCrowdedLine(const std::array<std::size_t, 4>& ends)
    {
        const std::string_view text = in.pending();
        std::size_t crowded = ends.size();
        for (std::size_t i = 1; i < ends.size() && crowded == ends.size(); ++i)
            if (facts.headerLines[i] == facts.headerLines[i - 1])
                crowded = i - 1;
        if (crowded == ends.size()) {
            const std::size_t lineEnd = std::min(text.find('\n', ends[3]), text.size());
            for (std::size_t at = ends[3]; at < lineEnd && crowded == ends.size(); ++at)
                if (!isBlank(static_cast<unsigned char>(text[at])))
                    crowded = 3;
        }
        if (crowded == ends.size())
            return;
        const std::size_t lineStart = text.rfind('\n', ends[crowded] - 1) + 1; // npos + 1 is 0
        std::string_view held = text.substr(lineStart, text.find('\n', lineStart) - lineStart);
        if (!held.empty() && held.back() == '\r')
            held.remove_suffix(1);
        facts.malformedHeaderLine = facts.headerLines[crowded];
        facts.malformedHeader = std::string(held.substr(0, 40));
    }

    /// Notes what the record starting on `line` tells of the file. Most records tell nothing,
    /// and that is found from a few bytes.
    void note(const RecordLines& lines)
    {
        if (ended || !lines.whole || (!lines.lines[0].empty() && lines.lines[0][0] == '\0'))
            noteEnd(lines);
        if (lines.word.empty())
            return;
        ++facts.wordRecords;
        const std::optional<std::int64_t> whole = wholeDecimal(lines.lines[2]);
        if (!facts.malformedCountLine && lines.whole && !whole) {
            facts.malformedCountLine = line + 2;
            facts.malformedCount = std::string(lines.lines[2].substr(0, 40));
        }
        if (whole && *whole > 0) {
            facts.positiveCount = true;
            if (lines.word.size() < facts.countsByLength.size()) {
                const auto added = static_cast<std::uint64_t>(*whole);
                std::uint64_t& sum = facts.countsByLength[lines.word.size()];
                sum = std::min(sum, std::numeric_limits<std::uint64_t>::max() - added) + added;
            }
        }
        if (!facts.negativeCountLine && !lines.word.empty() && signedNegative(lines.lines[2])) {
            const std::int64_t count = wholeNumber(lines.lines[2]);
            if (count < 0) {
                facts.negativeCountLine = line + 2;
                facts.negativeCount = count;
            }
        }
    }

    /// Notes the record that ends the table, one after it, or one the file ends inside.
    void noteEnd(const RecordLines& lines)
    {
        // The table ends at a record whose first byte is 0x00; all after that is left over.
        ended = ended || (!lines.lines[0].empty() && lines.lines[0][0] == '\0');
        if (ended) {
            for (std::size_t i = 0; i < 6 && !facts.trailingLine; ++i)
                if (holdsText(lines.lines[i]))
                    facts.trailingLine = line + i;
        } else {
            const bool text = std::any_of(std::begin(lines.lines), std::end(lines.lines), holdsText);
            (text ? facts.cutShortLine : blankEnd) = line;
        }
    }

    /// The number a number line holds when it holds one whole decimal number of 64 bits,
    /// blanks around it allowed.
    static std::optional<std::int64_t> wholeDecimal(std::string_view text)
    {
        const ParsedInteger parsed = parseInteger(text);
        if (!parsed.digits || parsed.overflow)
            return std::nullopt;
        for (std::size_t at = parsed.end; at < text.size(); ++at)
            if (!isBlank(static_cast<unsigned char>(text[at])))
                return std::nullopt;
        return parsed.value;
    }

    /// Whether a number line starts, after blanks, with a minus sign.
    static bool signedNegative(std::string_view text)
    {
        std::size_t at = 0;
        while (at < text.size() && isBlank(static_cast<unsigned char>(text[at])))
            ++at;
        return at < text.size() && text[at] == '-';
    }

    BlockReader in;
    TableFileFacts& facts;
    /// The line the next record starts on.
    std::uint64_t line = 1;
    /// Whether the record ending the table has been read.
    bool ended = false;
    /// Where the file ends with empty lines in place of the 0x00.
    std::uint64_t blankEnd = 0;
};

/// Enough for the header of any table a program writes; probing reads no further.
constexpr std::size_t probeBlockSize = 4096;
/// The block a whole table is read in.
constexpr std::size_t loadBlockSize = std::size_t(1) << 20;

} // namespace


LoadOutcome probeTableFile(const char* path, TableFileFacts& facts)
{
    LoadOutcome outcome;
    std::uint64_t size;
    FilePointer file = openTable(path, outcome.message, size);
    if (!file) {
        outcome.status = LoadStatus::CannotOpen;
        return outcome;
    }
    TableFileFacts found;
    TableReader in(file.get(), probeBlockSize, found);
    outcome.status = in.readHeader(outcome.message);
    found.bytes = size ? size : std::numeric_limits<std::uint64_t>::max();
    facts = found;
    return outcome;
}

LoadOutcome DTable::load(const char* path)
{
    return read(path, nullptr, nullptr);
}

LoadOutcome DTable::load(const char* path, const std::vector<std::size_t>& keptLengths)
{
    return read(path, &keptLengths, nullptr);
}

LoadOutcome DTable::load(const char* path, TableFileFacts& facts)
{
    return read(path, nullptr, &facts);
}

LoadOutcome DTable::load(const char* path, const std::vector<std::size_t>& keptLengths, TableFileFacts& facts)
{
    return read(path, &keptLengths, &facts);
}

LoadOutcome DTable::read(const char* path, const std::vector<std::size_t>* keptLengths, TableFileFacts* facts)
{
    LoadOutcome outcome;
    std::uint64_t size;
    FilePointer file = openTable(path, outcome.message, size);
    if (!file) {
        diagnostics_ << "Invalid read file name: " << (path ? path : "") << '\n';
        outcome.status = LoadStatus::CannotOpen;
        return outcome;
    }
    TableFileFacts found;
    TableReader in(file.get(), loadBlockSize, found);
    outcome.status = in.readHeader(outcome.message);
    if (!outcome.ok()) {
        diagnostics_ << "Not a usable DTable file: " << path << " (" << outcome.message << ")\n";
        return outcome;
    }
    bucketCount_ = static_cast<std::int32_t>(found.header[0]);
    sequenceLength_ = found.header[1];
    totalCount_ = found.header[2];
    distinctCount_ = found.header[3];
    records = {};
    chains = {};
    // Growing the one vector a doubling at a time would move every record about once more.
    records.reserve(likelyRecords(size));

    // A table file lists its records in bucket order; one that does not is sorted into it.
    bool inOrder = true;
    std::int32_t lastBucket = 0;
    in.readRecords([&](const RecordLines& lines) {
        if (keptLengths
            && std::find(keptLengths->begin(), keptLengths->end(), lines.word.size()) == keptLengths->end())
            return;
        WordEntry entry(DString(lines.word.data(), lines.word.size()), wholeNumber(lines.lines[2]),
            wholeNumber(lines.lines[3]), wholeNumber(lines.lines[4]), wholeNumber(lines.lines[5]));
        const std::int32_t b = bucketOf(entry.word);
        inOrder = inOrder && b >= lastBucket;
        lastBucket = b;
        records.push_back(std::move(entry));
    });
    if (!inOrder) {
        std::vector<std::pair<std::int32_t, std::size_t>> order;
        order.reserve(records.size());
        for (std::size_t i = 0; i < records.size(); ++i)
            order.emplace_back(bucketOf(records[i].word), i);
        std::sort(order.begin(), order.end());
        std::vector<WordEntry> sorted;
        sorted.reserve(records.size());
        for (const auto& [bucket, i] : order)
            sorted.push_back(std::move(records[i]));
        records = std::move(sorted);
    }
    // Keeping some word lengths, or holding long words, the table has far fewer records than
    // were reserved.
    if (records.capacity() / 2 > records.size())
        records.shrink_to_fit();
    if (facts)
        *facts = found;
    return outcome;
}
