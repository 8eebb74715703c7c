// What reading a table file found, told as the lines a refusal or a warning gives.

#include "tables/DTable.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace {

/// How a message names the line it is about.
std::string lineText(std::uint64_t line)
{
    return "line " + std::to_string(line) + ": ";
}

using Found = std::vector<std::pair<std::uint64_t, std::string>>;

/// Adds to `found` each header number the records contradict, on its line.
void addContradictions(const TableFileFacts& facts, Found& found)
{
    const auto& header = facts.header;
    const auto& lines = facts.headerLines;
    // Each base starts at most one word of a length on each strand.
    for (std::size_t length = 1; length < facts.countsByLength.size() && header[1] >= 0; ++length) {
        const std::uint64_t counted = facts.countsByLength[length];
        if (static_cast<std::uint64_t>(header[1]) < counted / 2 + counted % 2) {
            found.emplace_back(lines[1],
                lineText(lines[1]) + "the number of bases counted, " + std::to_string(header[1]) + ", cannot hold the "
                    + std::to_string(counted) + " words of length " + std::to_string(length) + " the records count");
            break;
        }
    }
    if (header[2] == 0 && facts.positiveCount)
        found.emplace_back(lines[2], lineText(lines[2]) + "the number of words counted is 0, yet the records count words");
    if (header[3] == 0 && facts.wordRecords > 0)
        found.emplace_back(lines[3],
            lineText(lines[3]) + "the number of distinct words is 0, yet " + std::to_string(facts.wordRecords)
                + (facts.wordRecords == 1 ? " record follows" : " records follow"));
}

} // namespace

bool TableFileFacts::tooManyBuckets() const
{
    // Our export writes 10000 buckets whatever the table's size; beyond that, a bucket the
    // file does not pay for with a byte is memory asked for nothing.
    return header[0] > DTable::defaultBucketCount && static_cast<std::uint64_t>(header[0]) > bytes;
}

std::vector<std::string> TableFileFacts::refusals() const
{
    Found found;
    if (tooManyBuckets())
        found.emplace_back(headerLines[0],
            lineText(headerLines[0]) + "the bucket count " + std::to_string(header[0]) + " is above both "
                + std::to_string(DTable::defaultBucketCount) + " and the file's " + std::to_string(bytes) + " bytes");
    for (std::size_t i = 1; i < header.size(); ++i)
        if (header[i] < 0)
            found.emplace_back(headerLines[i],
                lineText(headerLines[i]) + "the " + headerNumberNames[i] + ", " + std::to_string(header[i])
                    + ", is below 0");
    if (malformedHeaderLine)
        found.emplace_back(malformedHeaderLine, lineText(malformedHeaderLine) + "the header line '" + malformedHeader
                + "' is no whole decimal number");
    addContradictions(*this, found);
    if (malformedCountLine)
        found.emplace_back(malformedCountLine, lineText(malformedCountLine) + "the count '" + malformedCount
                + "' is no whole decimal number");
    if (negativeCountLine)
        found.emplace_back(negativeCountLine,
            lineText(negativeCountLine) + "the count " + std::to_string(negativeCount) + " is below 0");
    if (trailingLine)
        found.emplace_back(trailingLine, lineText(trailingLine) + "records follow the 0x00 byte that ends the table");
    std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> lines;
    for (auto& [line, text] : found)
        lines.push_back(std::move(text));
    return lines;
}

std::vector<std::string> TableFileFacts::warnings() const
{
    std::vector<std::string> lines;
    if (cutShortLine)
        lines.push_back(lineText(cutShortLine) + "the file ends inside a record, which is read as far as it goes");
    if (missingEndLine)
        lines.push_back(lineText(missingEndLine) + "no 0x00 byte ends the table");
    return lines;
}
