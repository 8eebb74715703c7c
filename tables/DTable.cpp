#include "tables/DTable.h"

#include <algorithm>
#include <iterator>

DTable::DTable()
    : buckets(defaultBucketCount)
{
}

DTable::DTable(Diagnostics diagnostics)
    : diagnostics_(diagnostics)
    , buckets(defaultBucketCount)
{
    diagnostics_ << createdText;
}

DTable::DTable(const DTable& other)
    : diagnostics_(other.diagnostics_)
    , bucketCount_(other.bucketCount_)
    , sequenceLength_(other.sequenceLength_)
    , totalCount_(other.totalCount_)
    , distinctCount_(other.distinctCount_)
    , buckets(other.buckets)
{
    diagnostics_ << createdText;
}

std::int32_t DTable::bucketOf(const DString& word) const
{
    // The weighted sum is taken modulo 2^32, as a 32-bit accumulator would wrap.
    std::uint32_t sum = 0;
    const char* text = word.text();
    for (std::size_t i = 0; i < word.length(); ++i)
        sum += static_cast<std::uint32_t>(i + 1) * static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(text[i])));
    std::int32_t remainder = static_cast<std::int32_t>(sum) % bucketCount_;
    return remainder < 0 ? remainder + bucketCount_ : remainder;
}

void DTable::addWord(const DString& word)
{
    std::vector<WordEntry>& bucket = buckets[static_cast<std::size_t>(bucketOf(word))];
    // Every matching record counts the occurrence; only a loaded table can hold two.
    bool matched = false;
    for (WordEntry& entry : bucket) {
        if (entry.word.equals(word)) {
            ++entry.count;
            ++totalCount_;
            matched = true;
        }
    }
    if (!matched) {
        bucket.emplace_back(word);
        ++distinctCount_;
        ++totalCount_;
    }
}

void DTable::insertEntry(const WordEntry& entry)
{
    if (entry.word.length() == 0)
        return;
    buckets[static_cast<std::size_t>(bucketOf(entry.word))].push_back(entry);
}

std::int64_t DTable::countOf(const DString& word) const
{
    for (const WordEntry& entry : buckets[static_cast<std::size_t>(bucketOf(word))])
        if (entry.word.equals(word))
            return entry.count;
    return 0;
}

std::size_t DTable::recordCount() const
{
    std::size_t total = 0;
    for (const auto& bucket : buckets)
        total += bucket.size();
    return total;
}

std::size_t DTable::negativeCountRecords() const
{
    std::size_t negative = 0;
    for (const auto& bucket : buckets)
        for (const WordEntry& entry : bucket)
            negative += entry.count < 0;
    return negative;
}

std::vector<WordEntry> DTable::entries() const
{
    std::size_t total = 0;
    for (const auto& bucket : buckets)
        total += bucket.size();
    std::vector<WordEntry> list;
    list.reserve(total);
    for (const auto& bucket : buckets)
        list.insert(list.end(), bucket.begin(), bucket.end());
    return list;
}

bool DTable::addTable(const DTable& other)
{
    if (other.bucketCount_ != bucketCount_)
        return false;
    for (std::size_t b = 0; b < buckets.size(); ++b) {
        std::vector<WordEntry>& bucket = buckets[b];
        const std::size_t known = bucket.size();
        for (const WordEntry& record : other.buckets[b]) {
            bool matched = false;
            for (std::size_t i = 0; i < known; ++i) {
                if (bucket[i].word.equals(record.word)) {
                    bucket[i].count += record.count;
                    matched = true;
                }
            }
            if (!matched) {
                bucket.push_back(record);
                ++distinctCount_;
            }
        }
    }
    sequenceLength_ += other.sequenceLength_;
    totalCount_ += other.totalCount_;
    return true;
}

void DTable::keepLengths(const std::vector<std::size_t>& lengths)
{
    for (auto& bucket : buckets)
        std::erase_if(bucket, [&lengths](const WordEntry& entry) {
            return std::find(lengths.begin(), lengths.end(), entry.word.length()) == lengths.end();
        });
}

std::vector<WordEntry> DTable::takeEntries()
{
    std::size_t total = 0;
    for (const auto& bucket : buckets)
        total += bucket.size();
    std::vector<WordEntry> list;
    list.reserve(total);
    for (auto& bucket : buckets) {
        std::move(bucket.begin(), bucket.end(), std::back_inserter(list));
        bucket.clear();
        bucket.shrink_to_fit();
    }
    return list;
}

void DTable::addCounted(std::int32_t b, std::size_t knownSize, DString&& word, std::int64_t count)
{
    std::vector<WordEntry>& bucket = buckets[static_cast<std::size_t>(b)];
    bool matched = false;
    for (std::size_t i = 0; i < knownSize; ++i) {
        if (bucket[i].word.equals(word)) {
            bucket[i].count += count;
            totalCount_ += count;
            matched = true;
        }
    }
    if (!matched) {
        totalCount_ += count;
        bucket.emplace_back(std::move(word), count, -1, -1, -1);
        ++distinctCount_;
    }
}

std::vector<std::size_t> DTable::bucketSizes() const
{
    std::vector<std::size_t> sizes(buckets.size());
    for (std::size_t i = 0; i < buckets.size(); ++i)
        sizes[i] = buckets[i].size();
    return sizes;
}
