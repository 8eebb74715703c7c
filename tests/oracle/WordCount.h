#pragma once

#include <string_view>

class DTable;
class FastaFile;
class CountingTable;

/// Counts the words of `sequence` into `table` one at a time: for every start position in
/// order, for each of the lengths 6, 7 and 8 that fits, the word cut out of the sequence,
/// then its reverse complement unless the two are equal. `sequence` holds no zero byte.
void countWordsOneByOne(DTable& table, std::string_view sequence);

/// Counts every gene of `fasta` in file order into `table` that way and adds their lengths
/// to its sequenceLength.
void countGenes(CountingTable& table, const FastaFile& fasta);
