#include "tables/DTableText.h"

#include "base/RealFormat.h"

#include <charconv>

namespace {

constexpr std::string_view lineEnd = "\r\n";
constexpr std::string_view marker = "*****\r\n";

void appendLine(std::string& out, std::int64_t value)
{
    char digits[24];
    out.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
    out += lineEnd;
}

std::size_t lineSize(std::int64_t value)
{
    char digits[24];
    return static_cast<std::size_t>(std::to_chars(digits, digits + sizeof digits, value).ptr - digits) + lineEnd.size();
}

} // namespace

void appendTableHeader(std::string& out, std::int64_t bucketCount, std::int64_t sequenceLength, std::int64_t totalCount,
    std::int64_t distinctCount)
{
    for (std::int64_t number : {bucketCount, sequenceLength, totalCount, distinctCount})
        appendLine(out, number);
}

void appendRecordStart(std::string& out, std::string_view word, std::int64_t count)
{
    out += marker;
    out += word;
    out += lineEnd;
    appendLine(out, count);
}

void appendRecordScores(std::string& out, double score1, double score2, double score3)
{
    for (double score : {score1, score2, score3}) {
        appendReal(out, score);
        out += lineEnd;
    }
}

std::size_t tableHeaderSize(std::int64_t bucketCount, std::int64_t sequenceLength, std::int64_t totalCount,
    std::int64_t distinctCount)
{
    return lineSize(bucketCount) + lineSize(sequenceLength) + lineSize(totalCount) + lineSize(distinctCount);
}

std::size_t recordStartSize(std::size_t wordLength, std::int64_t count)
{
    return marker.size() + wordLength + lineEnd.size() + lineSize(count);
}
