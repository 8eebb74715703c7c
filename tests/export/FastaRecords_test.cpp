#include "TestSupport.h"

#include "export/FastaRecords.h"
#include "oracle/LowComplexity.h"

#include <gtest/gtest.h>

#include <random>
#include <string_view>
#include <string>
#include <vector>

namespace {

struct Written {
    std::string name;
    std::string sequence; ///< as written, case and all
};

/// A FASTA text of random records: lower case, N runs, IUPAC letters, microsatellites,
/// records without sequence, lines of several widths, CR LF now and then.
std::vector<Written> randomRecords(std::mt19937& random, int count, std::size_t longest)
{
    std::vector<Written> records;
    for (int r = 0; r < count; ++r) {
        std::string sequence;
        const std::size_t length = random() % 5 == 0 ? random() % 8 : random() % longest;
        while (sequence.size() < length) {
            const unsigned pick = random() % 40;
            if (pick == 0)
                sequence += std::string(1 + random() % 12, 'N');
            else if (pick == 1)
                for (int i = 0; i < 12; ++i)
                    sequence += "CA";
            else
                sequence += "ACGTacgtRY"[random() % (pick < 30 ? 4 : 10)];
        }
        records.push_back({"rec" + std::to_string(r), sequence});
    }
    return records;
}

bool startsSequence(char c)
{
    return std::string_view("ACGTNacgtn").find(c) != std::string_view::npos;
}

/// The FASTA text of `records` in lines of random widths. A line that starts with another
/// letter is no sequence line to the reader, so each record's sequence becomes what its
/// lines keep.
std::string fastaText(std::vector<Written>& records, std::mt19937& random)
{
    std::string text;
    for (Written& record : records) {
        text += ">" + record.name + " some description\n";
        const std::size_t width = 10 + random() % 70;
        std::string kept;
        for (std::size_t at = 0; at < record.sequence.size(); at += width) {
            const std::string line = record.sequence.substr(at, width);
            text += line + (random() % 7 == 0 ? "\r\n" : "\n");
            if (startsSequence(line[0]))
                kept += line;
        }
        record.sequence = kept;
    }
    return text;
}

std::string raised(std::string sequence)
{
    for (char& c : sequence)
        if (c == 'a' || c == 'c' || c == 'g' || c == 't')
            c = static_cast<char>(c - 32);
    return sequence;
}

/// The table the export writes of `records` with each sequence changed by `change`.
std::string exportedAs(const std::vector<Written>& records, const TempDir& dir, std::string (*change)(const std::string&))
{
    std::string text;
    for (const Written& record : records) {
        // Lines broken only before a letter that starts a sequence line.
        text += ">" + record.name + "\n";
        const std::string changed = change(record.sequence);
        std::size_t lineStart = 0;
        for (std::size_t i = 1; i <= changed.size(); ++i)
            if (i == changed.size() || (i - lineStart >= 60 && startsSequence(changed[i]))) {
                text += changed.substr(lineStart, i - lineStart) + "\n";
                lineStart = i;
            }
    }
    writeBytes(dir.file("changed.fa"), text);
    EXPECT_TRUE(exportQuietly(dir.file("changed.fa").c_str(), dir.file("changed.dtable").c_str()).ok());
    return readBytes(dir.file("changed.dtable"));
}

} // namespace

/// Read once, the family gives the table, the records' tables and the sequences that
/// countFasta and countFastaRecords give and the file holds, a record longer than the
/// reader's units included.
TEST(FastaRecords, AFamilyReadOnceGivesWhatEachCountingGives)
{
    std::mt19937 random(99);
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE(round);
        TempDir dir;
        std::vector<Written> records = randomRecords(random, 5 + static_cast<int>(random() % 40), 600);
        if (round == 3)
            records.insert(records.begin() + 2, Written {"long", std::string(9 << 20, 'A').replace(1000, 8, "GATTACAG")});
        writeBytes(dir.file("family.fa"), fastaText(records, random));
        RunFeedback quiet;
        std::vector<std::string> seen;
        const ExportResult read = readFastaRecords(
            dir.file("family.fa").c_str(),
            [&](const FastaRecord& record) {
                ASSERT_EQ(record.number, static_cast<std::int64_t>(seen.size()));
                EXPECT_EQ(record.name, records[seen.size()].name);
                seen.emplace_back(record.sequence);
            },
            quiet);
        ASSERT_TRUE(read.ok()) << read.message;
        ASSERT_EQ(seen.size(), records.size());
        for (std::size_t r = 0; r < records.size(); ++r)
            ASSERT_EQ(seen[r], records[r].sequence) << r;

        const FamilyRead family = readFamily(dir.file("family.fa").c_str(), Masking::None, 32, quiet);
        ASSERT_TRUE(family.ok());
        EXPECT_TRUE(sameTable(family.table.serialize(), countFasta(dir.file("family.fa").c_str(), quiet).table.serialize()));
        const CountedRecords alone = countFastaRecords(dir.file("family.fa").c_str(), 32, quiet);
        ASSERT_EQ(family.records.size(), alone.tables.size());
        EXPECT_EQ(family.names, alone.names);
        for (std::size_t r = 0; r < alone.tables.size(); ++r)
            EXPECT_EQ(family.records[r].serialize(), alone.tables[r].serialize()) << r;
        EXPECT_EQ(family.profile.records(), static_cast<std::int64_t>(records.size()));
        EXPECT_EQ(family.genes, static_cast<std::int64_t>(records.size()));
    }
}

/// Masked counting gives the table of the FASTA file with the masked letters written as N.
TEST(FastaRecords, MaskedCountingIsTheExportOfTheMaskedText)
{
    std::mt19937 random(7);
    TempDir dir;
    std::vector<Written> records = randomRecords(random, 30, 400);
    writeBytes(dir.file("in.fa"), fastaText(records, random));
    RunFeedback quiet;

    const MaskedCount lower = countFastaMasked(dir.file("in.fa").c_str(), Masking::Lower, quiet);
    ASSERT_TRUE(lower.ok());
    EXPECT_TRUE(sameTable(lower.table.serialize(), exportedAs(records, dir, [](const std::string& s) {
        std::string out = s;
        for (char& c : out)
            c = c >= 'a' && c <= 'z' ? 'N' : c;
        return out;
    })));
    EXPECT_GT(lower.maskedBases, 0);

    const MaskedCount dust = countFastaMasked(dir.file("in.fa").c_str(), Masking::Dust, quiet);
    ASSERT_TRUE(dust.ok());
    EXPECT_TRUE(sameTable(dust.table.serialize(), exportedAs(records, dir, [](const std::string& s) {
        std::size_t masked = 0;
        return dustMaskedByDefinition(raised(s), 64, 20.0, masked);
    })));
    EXPECT_GT(dust.maskedBases, 0);

    const MaskedCount none = countFastaMasked(dir.file("in.fa").c_str(), Masking::None, quiet);
    EXPECT_TRUE(sameTable(none.table.serialize(), countFasta(dir.file("in.fa").c_str(), quiet).table.serialize()));
    EXPECT_EQ(none.maskedBases, 0);
}

TEST(FastaRecords, FailsAsTheExportDoes)
{
    TempDir dir;
    writeBytes(dir.file("empty.fa"), "");
    writeBytes(dir.file("headless.fa"), "ACGT\n");
    RunFeedback quiet;
    for (const char* name : {"missing.fa", "empty.fa", "headless.fa"}) {
        SCOPED_TRACE(name);
        const std::string path = dir.file(name);
        const ExportResult exported = exportQuietly(path.c_str(), dir.file("out.dtable").c_str());
        const FamilyRead family = readFamily(path.c_str(), Masking::Lower, 32, quiet);
        EXPECT_EQ(family.status, exported.status);
        EXPECT_EQ(family.message, exported.message);
        EXPECT_TRUE(family.records.empty());
        EXPECT_EQ(family.profile.records(), 0);
    }
}

/// The genome's pairs, read on every core and its long records cut into pieces, are those of
/// each record counted whole, masked as asked.
TEST(FastaRecords, PairsReadInPiecesAreThoseOfTheWholeRecords)
{
    std::mt19937 random(17);
    TempDir dir;
    std::vector<Written> records = randomRecords(random, 12, 3000);
    writeBytes(dir.file("in.fa"), fastaText(records, random));
    RunFeedback quiet;
    const DyadSpacings spacings {0, 50};
    for (const Masking masking : {Masking::None, Masking::Lower, Masking::Dust}) {
        SCOPED_TRACE(maskingName(masking));
        DyadCounts whole(spacings);
        for (const Written& record : records) {
            std::string letters = raised(record.sequence);
            if (masking == Masking::Lower)
                for (std::size_t i = 0; i < letters.size(); ++i)
                    letters[i] = record.sequence[i] >= 'a' && record.sequence[i] <= 'z' ? 'N' : letters[i];
            std::size_t masked = 0;
            whole.add(masking == Masking::Dust ? dustMaskedByDefinition(letters, 64, 20.0, masked) : letters);
        }
        for (const std::size_t pieceStarts : {std::size_t(1), std::size_t(57), std::size_t(1000), dyadPieceStarts}) {
            const DyadRead read = readDyadCounts(dir.file("in.fa").c_str(), masking, spacings, quiet, pieceStarts);
            ASSERT_TRUE(read.ok());
            for (int spacing = spacings.shortest; spacing <= spacings.longest; ++spacing)
                ASSERT_EQ(read.counts.counts(spacing), whole.counts(spacing)) << pieceStarts << " " << spacing;
        }
    }
}
