#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The pieces of a DTable text file, for every writer of one: four header numbers, then six
// lines a record ("*****", word, count, three scores), then one 0x00 byte. Every line ends
// with CR LF.

void appendTableHeader(std::string& out, std::int64_t bucketCount, std::int64_t sequenceLength, std::int64_t totalCount,
    std::int64_t distinctCount);
/// The first three lines of a record: the marker, the word and its count.
void appendRecordStart(std::string& out, std::string_view word, std::int64_t count);
/// The last three lines of a record: its scores.
void appendRecordScores(std::string& out, double score1, double score2, double score3);
/// The byte that ends the table.
inline void appendTableEnd(std::string& out) { out += '\0'; }

/// Bytes appendTableHeader appends.
std::size_t tableHeaderSize(std::int64_t bucketCount, std::int64_t sequenceLength, std::int64_t totalCount,
    std::int64_t distinctCount);
/// Bytes appendRecordStart appends for a word of `wordLength` bytes.
std::size_t recordStartSize(std::size_t wordLength, std::int64_t count);
