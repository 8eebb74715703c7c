#include "sequence/Permutation.h"

#include "sequence/FastaFile.h"

#include <algorithm>

void Permutation::countWords(const DString& sequence)
{
    WordCounter counter;
    counter.count(sequence.text() ? sequence.text() : "", sequence.length());
    takeCounts(counter);
}

void Permutation::countGenes(const FastaFile& fasta)
{
    WordCounter counter;
    for (std::int64_t i = 0; i < fasta.geneCount(); ++i) {
        const DString& sequence = fasta.sequence(i);
        counter.count(sequence.text() ? sequence.text() : "", sequence.length());
        setSequenceLength(this->sequenceLength() + static_cast<std::int64_t>(sequence.length()));
    }
    takeCounts(counter);
}

DString Permutation::reverseComplement(const DString& word)
{
    const std::size_t n = word.length();
    DString result = word.isNull() ? DString("") : DString(word);
    for (std::size_t i = 0; i < n; ++i) {
        char c = word.text()[i];
        char complement = c == 'A' ? 'T' : c == 'T' ? 'A' : c == 'C' ? 'G' : c == 'G' ? 'C' : c;
        result.set(complement, static_cast<std::int64_t>(n - 1 - i));
    }
    return result;
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
