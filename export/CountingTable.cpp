#include "export/CountingTable.h"

#include "base/Dna.h"

#include <algorithm>

void Permutation::countWords(const DString& sequence)
{
    WordCounter counter;
    counter.count(sequence.text() ? sequence.text() : "", sequence.length());
    takeCounts(counter);
}

DString Permutation::reverseComplement(const DString& word)
{
    const std::string reversed = ::reverseComplement(word.view());
    return DString(reversed.data(), reversed.size());
}

void Permutation::takeCounts(WordCounter& counter)
{
    struct Placed {
        std::int32_t bucket;
        std::uint64_t firstKey;
        DString word;
        std::int64_t count;
    };
    std::vector<WordCounter::Word> words = counter.words();
    std::vector<Placed> placed;
    placed.reserve(words.size());
    for (const WordCounter::Word& w : words) {
        char bytes[8];
        for (int i = 0; i < w.length; ++i)
            bytes[i] = static_cast<char>(w.bytes >> (8 * i));
        DString word(bytes, static_cast<std::size_t>(w.length));
        std::int32_t b = bucketOf(word);
        placed.push_back({b, w.firstKey, std::move(word), static_cast<std::int64_t>(w.count)});
    }
    std::sort(placed.begin(), placed.end(), [](const Placed& a, const Placed& b) {
        return a.bucket != b.bucket ? a.bucket < b.bucket : a.firstKey < b.firstKey;
    });
    // Records already in a bucket came before every word counted here.
    std::vector<std::size_t> known = bucketSizes();
    for (std::size_t i = 0; i < placed.size();) {
        std::size_t j = i;
        while (j < placed.size() && placed[j].bucket == placed[i].bucket)
            ++j;
        reserveRecords(placed[i].bucket, j - i);
        i = j;
    }
    for (Placed& p : placed)
        addCounted(p.bucket, known[static_cast<std::size_t>(p.bucket)], std::move(p.word), p.count);
    counter.clear();
}
