// Word counting the slow, obvious way: every window cut out as its own string and added to
// the table by itself. The fast counter must give the same table, byte for byte.

#include "oracle/WordCount.h"

#include "export/CountingTable.h"
#include "oracle/FastaFile.h"

#include <string>

namespace {

/// `word` read on the other strand: reversed, with A and T, C and G exchanged; every other
/// byte is its own complement.
std::string reverseComplementOf(std::string_view word)
{
    std::string reverse;
    for (std::size_t i = word.size(); i-- > 0;) {
        char c = word[i];
        if (c == 'A')
            c = 'T';
        else if (c == 'T')
            c = 'A';
        else if (c == 'C')
            c = 'G';
        else if (c == 'G')
            c = 'C';
        reverse += c;
    }
    return reverse;
}

} // namespace

void countWordsOneByOne(DTable& table, std::string_view sequence)
{
    for (std::size_t start = 0; start < sequence.size(); ++start) {
        for (std::size_t length = 6; length <= 8 && start + length <= sequence.size(); ++length) {
            const std::string word(sequence.substr(start, length));
            table.addWord(DString(word.data(), word.size()));
            const std::string reverse = reverseComplementOf(word);
            if (reverse != word)
                table.addWord(DString(reverse.data(), reverse.size()));
        }
    }
}

void countGenes(CountingTable& table, const FastaFile& fasta)
{
    for (std::int64_t i = 0; i < fasta.geneCount(); ++i) {
        const std::string_view sequence = fasta.sequence(i).view();
        countWordsOneByOne(table, sequence);
        table.setSequenceLength(table.sequenceLength() + static_cast<std::int64_t>(sequence.size()));
    }
}
