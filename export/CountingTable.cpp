#include "export/CountingTable.h"

#include "tables/DTableText.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

namespace {

/// Counted words in the order a table lists the records it gains: by bucket, then by first
/// addition; with the bucket of each.
struct OrderedWords {
    std::vector<WordCounter::Word> words;
    std::vector<std::int32_t> buckets;
};

OrderedWords orderedWords(WordCounter& counter, const DTable& table)
{
    OrderedWords ordered;
    ordered.words = counter.takeWords();
    std::vector<WordCounter::Word>& words = ordered.words;
    std::vector<std::int32_t>& buckets = ordered.buckets;
    buckets.resize(words.size());
    // One word of each length, overwritten in place for every word measured.
    DString measured[3] = {DString("AAAAAA"), DString("AAAAAAA"), DString("AAAAAAAA")};
    for (std::size_t i = 0; i < words.size(); ++i) {
        const int length = words[i].length();
        DString& word = measured[length - WordCounter::minimumLength];
        for (int j = 0; j < length; ++j)
            word.set(static_cast<char>(words[i].bytes >> (8 * j)), j);
        buckets[i] = table.bucketOf(word);
    }
    // Each word moved straight into its bucket's range, in place, then each range sorted.
    const std::size_t bucketCount = static_cast<std::size_t>(table.bucketCount());
    std::vector<std::size_t> begin(bucketCount + 1, 0);
    for (std::int32_t b : buckets)
        ++begin[static_cast<std::size_t>(b) + 1];
    for (std::size_t b = 0; b < bucketCount; ++b)
        begin[b + 1] += begin[b];
    std::vector<std::size_t> next(begin.begin(), begin.end() - 1);
    for (std::size_t b = 0; b < bucketCount; ++b) {
        while (next[b] < begin[b + 1]) {
            const std::size_t i = next[b];
            const auto home = static_cast<std::size_t>(buckets[i]);
            if (home == b) {
                ++next[b];
                continue;
            }
            const std::size_t j = next[home]++;
            std::swap(words[i], words[j]);
            std::swap(buckets[i], buckets[j]);
        }
        std::sort(words.begin() + static_cast<std::ptrdiff_t>(begin[b]), words.begin() + static_cast<std::ptrdiff_t>(begin[b + 1]),
            [](const WordCounter::Word& x, const WordCounter::Word& y) { return x.firstKey < y.firstKey; });
    }
    return ordered;
}

/// Bytes of memory the system can give without swapping, from /proc/meminfo; 0 when unknown.
std::uint64_t availableMemory()
{
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    std::uint64_t kilobytes = 0;
    std::string unit;
    while (meminfo >> key >> kilobytes >> unit)
        if (key == "MemAvailable:")
            return kilobytes * 1024;
    return 0;
}

std::string megabytes(std::uint64_t bytes)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
    return text;
}

} // namespace

void CountingTable::takeCounts(WordCounter& counter)
{
    OrderedWords ordered = orderedWords(counter, *this);
    // Records already in a bucket came before every word counted here.
    const std::vector<std::size_t> known = bucketSizes();
    for (std::size_t i = 0; i < ordered.words.size();) {
        std::size_t j = i;
        while (j < ordered.words.size() && ordered.buckets[j] == ordered.buckets[i])
            ++j;
        reserveRecords(ordered.buckets[i], j - i);
        i = j;
    }
    for (std::size_t i = 0; i < ordered.words.size(); ++i) {
        const WordCounter::Word& w = ordered.words[i];
        char bytes[8];
        for (int k = 0; k < w.length(); ++k)
            bytes[k] = static_cast<char>(w.bytes >> (8 * k));
        const std::int32_t b = ordered.buckets[i];
        addCounted(b, known[static_cast<std::size_t>(b)], DString(bytes, static_cast<std::size_t>(w.length())),
            static_cast<std::int64_t>(w.count));
    }
}

Outcome<CountsWrite> CountingTable::writeCounts(WordCounter& counter, const char* path)
{
    auto written = [](const Outcome<WriteStatus>& outcome) {
        return outcome.ok() ? Outcome<CountsWrite> {} : Outcome<CountsWrite>::failed(CountsWrite::Unwritable, outcome.message);
    };
    if (recordCount() != 0) {
        takeCounts(counter);
        return written(write(path));
    }
    std::vector<WordCounter::Word> words = std::move(orderedWords(counter, *this).words);

    const WordEntry unscored;
    std::string scores;
    appendRecordScores(scores, unscored.score1, unscored.score2, unscored.score3);
    std::int64_t total = 0;
    std::size_t size = 1;
    for (const WordCounter::Word& w : words) {
        total += static_cast<std::int64_t>(w.count);
        size += recordStartSize(static_cast<std::size_t>(w.length()), static_cast<std::int64_t>(w.count)) + scores.size();
    }
    const auto distinct = static_cast<std::int64_t>(words.size());
    size += tableHeaderSize(bucketCount(), sequenceLength(), total, distinct);
    const std::uint64_t available = availableMemory();
    if (available && size > available) {
        return Outcome<CountsWrite>::failed(CountsWrite::TooLarge,
            "its table of " + megabytes(size) + " does not fit in the " + megabytes(available) + " of memory available");
    }

    std::string text;
    text.reserve(size);
    appendTableHeader(text, bucketCount(), sequenceLength(), total, distinct);
    for (const WordCounter::Word& w : words) {
        char bytes[8];
        const int length = w.length();
        for (int k = 0; k < length; ++k)
            bytes[k] = static_cast<char>(w.bytes >> (8 * k));
        appendRecordStart(text, std::string_view(bytes, static_cast<std::size_t>(length)), static_cast<std::int64_t>(w.count));
        text += scores;
    }
    appendTableEnd(text);
    words = std::vector<WordCounter::Word>();

    return written(writeText(path, text));
}
