#include "tables/DTable.h"

#include <algorithm>
#include <bit>
#include <functional>
#include <limits>
#include <string_view>
#include <tuple>

namespace {

constexpr std::int64_t largest = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t smallest = std::numeric_limits<std::int64_t>::min();

/// Whether a + b lies in the 64-bit range.
bool sumFits(std::int64_t a, std::int64_t b)
{
    return b >= 0 ? a <= largest - b : a >= smallest - b;
}

/// How a cause says which end of the 64-bit range a + b would leave, by the sign of b.
std::string leftRange(std::int64_t b)
{
    return b >= 0 ? "would pass " + std::to_string(largest) : "would fall below " + std::to_string(smallest);
}

/// A word as a cause names it: long words cut short.
std::string shownWord(std::string_view word)
{
    constexpr std::size_t shown = 40;
    if (word.size() <= shown)
        return std::string(word);
    return std::string(word.substr(0, shown)) + "... (" + std::to_string(word.size()) + " bytes)";
}

/// Where each word stands in a list of records: an open-addressing table of the position of
/// the first record of each word, and for each record the next one holding the same word.
class WordPositions {
public:
    static constexpr std::size_t none = static_cast<std::size_t>(-1);

    explicit WordPositions(const std::vector<WordEntry>& list)
        : records(list)
        , slots(std::bit_ceil(std::max<std::size_t>(16, 2 * list.size())), none)
        , nextSame(list.size(), none)
    {
        // From the back, so that each word's positions chain up in list order.
        for (std::size_t i = list.size(); i-- > 0;) {
            std::size_t& slot = slots[slotIndex(list[i].word.view())];
            nextSame[i] = slot;
            slot = i;
        }
    }

    /// Position of the first record holding `word`, or none.
    std::size_t first(std::string_view word) const { return slots[slotIndex(word)]; }
    /// Position of the next record after `position` holding its word, or none.
    std::size_t next(std::size_t position) const { return nextSame[position]; }

private:
    /// The slot holding `word`, or the empty slot where it would go.
    std::size_t slotIndex(std::string_view word) const
    {
        const std::size_t mask = slots.size() - 1;
        std::size_t at = std::hash<std::string_view>()(word) & mask;
        while (slots[at] != none && records[slots[at]].word.view() != word)
            at = (at + 1) & mask;
        return at;
    }

    const std::vector<WordEntry>& records;
    std::vector<std::size_t> slots;
    std::vector<std::size_t> nextSame;
};

} // namespace

DTable::DTable(Diagnostics diagnostics)
    : diagnostics_(diagnostics)
{
    diagnostics_ << createdText;
}

DTable::DTable(const DTable& other)
    : diagnostics_(other.diagnostics_)
    , bucketCount_(other.bucketCount_)
    , sequenceLength_(other.sequenceLength_)
    , totalCount_(other.totalCount_)
    , distinctCount_(other.distinctCount_)
    , records(other.records)
    , chains(other.chains)
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

void DTable::chain()
{
    if (chained())
        return;
    const auto buckets = static_cast<std::size_t>(bucketCount_);
    chains.first.assign(buckets, none);
    chains.last.assign(buckets, none);
    chains.next.assign(records.size(), none);
    for (std::size_t i = 0; i < records.size(); ++i) {
        const auto b = static_cast<std::size_t>(bucketOf(records[i].word));
        (chains.first[b] == none ? chains.first[b] : chains.next[chains.last[b]]) = i;
        chains.last[b] = i;
    }
}

void DTable::unchain()
{
    if (!chained())
        return;
    std::vector<WordEntry> listed;
    listed.reserve(records.size());
    for (std::size_t first : chains.first)
        for (std::size_t i = first; i != none; i = chains.next[i])
            listed.push_back(std::move(records[i]));
    records = std::move(listed);
    chains = {};
}

void DTable::append(WordEntry&& entry, std::int32_t b)
{
    if (!chained() && !records.empty() && bucketOf(records.back().word) > b)
        chain();
    records.push_back(std::move(entry));
    announced -= announced > 0;
    if (!chained())
        return;
    const std::size_t i = records.size() - 1;
    const auto bucket = static_cast<std::size_t>(b);
    chains.next.push_back(none);
    (chains.first[bucket] == none ? chains.first[bucket] : chains.next[chains.last[bucket]]) = i;
    chains.last[bucket] = i;
}

template <class Visit>
void DTable::forEachInBucket(std::int32_t b, Visit&& visit) const
{
    if (chained()) {
        for (std::size_t i = chains.first[static_cast<std::size_t>(b)]; i != none; i = chains.next[i])
            if (!visit(i))
                return;
        return;
    }
    // In listing order the bucket's records stand together.
    auto at = std::partition_point(records.begin(), records.end(),
        [this, b](const WordEntry& entry) { return bucketOf(entry.word) < b; });
    for (; at != records.end() && bucketOf(at->word) == b; ++at)
        if (!visit(static_cast<std::size_t>(at - records.begin())))
            return;
}

void DTable::addWord(const DString& word)
{
    const std::int32_t b = bucketOf(word);
    // Every matching record counts the occurrence; only a loaded table can hold two.
    bool matched = false;
    forEachInBucket(b, [&](std::size_t i) {
        if (records[i].word.equals(word)) {
            ++records[i].count;
            ++totalCount_;
            matched = true;
        }
        return true;
    });
    if (!matched) {
        append(WordEntry(word), b);
        ++distinctCount_;
        ++totalCount_;
    }
}

void DTable::insertEntry(const WordEntry& entry)
{
    if (entry.word.length() == 0)
        return;
    append(WordEntry(entry), bucketOf(entry.word));
}

std::int64_t DTable::countOf(const DString& word) const
{
    std::int64_t count = 0;
    forEachInBucket(bucketOf(word), [&](std::size_t i) {
        if (!records[i].word.equals(word))
            return true;
        count = records[i].count;
        return false;
    });
    return count;
}

std::size_t DTable::negativeCountRecords() const
{
    return static_cast<std::size_t>(
        std::count_if(records.begin(), records.end(), [](const WordEntry& entry) { return entry.count < 0; }));
}

std::vector<WordEntry> DTable::entries() const
{
    std::vector<WordEntry> list;
    list.reserve(records.size());
    forEachListed([&list](const WordEntry& entry) { list.push_back(entry); });
    return list;
}

AddOutcome DTable::addTable(const DTable& other)
{
    if (other.bucketCount_ != bucketCount_)
        return AddOutcome::failed(AddStatus::OtherBucketCount,
            "it has " + std::to_string(other.bucketCount_) + " buckets, the table it is added to "
                + std::to_string(bucketCount_));
    for (auto [name, here, added] : {std::tuple {headerNumberNames[1], sequenceLength_, other.sequenceLength_},
             std::tuple {headerNumberNames[2], totalCount_, other.totalCount_}})
        if (!sumFits(here, added))
            return AddOutcome::failed(AddStatus::HeaderOverflow, std::string("the ") + name + " " + leftRange(added));

    // Their records in listing order; a copy when they are chained or are these very records.
    std::vector<WordEntry> copied;
    if (&other == this || other.chained())
        copied = other.entries();
    const std::vector<WordEntry>& theirs = &other == this || other.chained() ? copied : other.records;
    unchain();

    // First every sum, so that a refusal leaves the table as it was. Their records match only
    // the records that were here before, as when they were counted after them.
    const WordPositions known(records);
    std::vector<std::int64_t> sums;
    std::vector<std::size_t> unmatched;
    for (std::size_t j = 0; j < theirs.size(); ++j) {
        const WordEntry& record = theirs[j];
        std::size_t at = known.first(record.word.view());
        if (at == WordPositions::none) {
            unmatched.push_back(j);
            continue;
        }
        if (sums.empty()) {
            sums.reserve(records.size());
            for (const WordEntry& entry : records)
                sums.push_back(entry.count);
        }
        for (; at != WordPositions::none; at = known.next(at)) {
            if (!sumFits(sums[at], record.count))
                return AddOutcome::failed(AddStatus::CountOverflow,
                    "the count of " + shownWord(record.word.view()) + " " + leftRange(record.count));
            sums[at] += record.count;
        }
    }
    const auto added = static_cast<std::int64_t>(unmatched.size());
    if (!sumFits(distinctCount_, added))
        return AddOutcome::failed(AddStatus::HeaderOverflow, std::string("the ") + headerNumberNames[3] + " " + leftRange(added));

    for (std::size_t i = 0; i < sums.size(); ++i)
        records[i].count = sums[i];
    if (!unmatched.empty()) {
        // Both lists are in bucket order: their new words go after the bucket's records here.
        std::vector<WordEntry> merged;
        merged.reserve(records.size() + unmatched.size());
        std::size_t i = 0;
        for (std::size_t j : unmatched) {
            const std::int32_t b = bucketOf(theirs[j].word);
            while (i < records.size() && bucketOf(records[i].word) <= b)
                merged.push_back(std::move(records[i++]));
            merged.push_back(theirs[j]);
        }
        while (i < records.size())
            merged.push_back(std::move(records[i++]));
        records = std::move(merged);
    }
    sequenceLength_ += other.sequenceLength_;
    totalCount_ += other.totalCount_;
    distinctCount_ += added;
    return {};
}

std::vector<WordEntry> DTable::takeEntries()
{
    unchain();
    std::vector<WordEntry> list = std::move(records);
    records = {};
    return list;
}

void DTable::addCounted(std::int32_t b, std::size_t knownSize, DString&& word, std::int64_t count)
{
    bool matched = false;
    std::size_t seen = 0;
    if (knownSize > 0) {
        forEachInBucket(b, [&](std::size_t i) {
            if (records[i].word.equals(word)) {
                records[i].count += count;
                totalCount_ += count;
                matched = true;
            }
            return ++seen < knownSize;
        });
    }
    if (!matched) {
        totalCount_ += count;
        append(WordEntry(std::move(word), count, -1, -1, -1), b);
        ++distinctCount_;
    }
}

void DTable::reserveRecords(std::int32_t, std::size_t extra)
{
    // Asked bucket by bucket before a batch comes: the room adds up, and grows by doubling.
    announced += extra;
    const std::size_t wanted = records.size() + announced;
    if (wanted > records.capacity())
        records.reserve(std::max(wanted, 2 * records.capacity()));
}

std::vector<std::size_t> DTable::bucketSizes() const
{
    std::vector<std::size_t> sizes(static_cast<std::size_t>(bucketCount_));
    for (const WordEntry& entry : records)
        ++sizes[static_cast<std::size_t>(bucketOf(entry.word))];
    return sizes;
}
