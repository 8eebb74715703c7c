#include "run/Backgrounds.h"
#include "run/Run.h"

#include "../TestSupport.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace fs = std::filesystem;

namespace {

const std::string motif = "TTGACCGA";

/// A family of `count` random sequences of `length` bases, `planted` of them carrying
/// `motif` once on either strand, as FASTA text.
std::string family(int count, int length, int planted, unsigned seed)
{
    std::mt19937 random(seed);
    std::string text;
    for (int s = 0; s < count; ++s) {
        std::string sequence(static_cast<std::size_t>(length), 'A');
        for (char& c : sequence)
            c = "AAATTTCCGG"[random() % 10];
        if (s < planted) {
            const std::string site = random() % 2 ? motif : std::string("TCGGTCAA");
            sequence.replace(random() % (sequence.size() - site.size()), site.size(), site);
        }
        text += ">f" + std::to_string(s + 1) + "\n" + sequence + "\n";
    }
    return text;
}

/// The rows of words.tsv after its comments and header.
std::vector<std::string> rowsOf(const std::string& folder)
{
    const std::string text = readBytes(folder + "/words.tsv");
    std::vector<std::string> rows;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty() && line[0] != '#' && line.rfind("rank", 0) != 0)
            rows.push_back(line);
    return rows;
}

std::string field(const std::string& row, int column)
{
    std::istringstream fields(row);
    std::string value;
    for (int i = 0; i <= column; ++i)
        std::getline(fields, value, '\t');
    return value;
}

} // namespace

TEST(Backgrounds, EachRequestNoBackgroundCanServeIsRefusedWithNothingMade)
{
    TempDir dir;
    const std::string fasta = dir.file("family.fa");
    const std::string table = dir.file("family.dtable");
    writeBytes(fasta, family(5, 200, 0, 1));
    writeBytes(table, "10000\n6\n2\n1\n*****\nACGTAC\n2\n-1\n-1\n-1\n");
    struct Case {
        const char* what;
        std::function<void(RunRequest&)> change;
        const char* message;
    };
    const std::vector<Case> cases {
        {"order above 5", [](RunRequest& r) { r.markovOrder = 6; }, "--markov takes an order from 0 to 5"},
        {"order below 0", [](RunRequest& r) { r.markovOrder = -1; }, "--markov takes an order from 0 to 5"},
        {"order 5 with words of 6", [](RunRequest& r) { r.markovOrder = 5; }, "--markov 5 would predict the words of 6"},
        {"no shuffle", [](RunRequest& r) { r.shuffles = 0; }, "--shuffle takes a number of shuffles from 1 to 1000"},
        {"too many shuffles", [](RunRequest& r) { r.shuffles = 1001; }, "--shuffle takes a number of shuffles"},
        {"both", [](RunRequest& r) { r.markovOrder = 2; r.shuffles = 10; }, "--markov and --shuffle are two backgrounds"},
        {"shuffles with a BIG", [&](RunRequest& r) { r.shuffles = 10; r.big = fasta; }, "--shuffle makes BIG"},
        {"a model with pairs", [](RunRequest& r) { r.markovOrder = 2; r.dyads = DyadSpacings {}; }, "--dyads counts"},
        {"a model on one strand", [](RunRequest& r) { r.markovOrder = 2; r.strand = Strand::Given; }, "--strand given"},
        {"a model of a table family", [&](RunRequest& r) { r.markovOrder = 2; r.small = table; }, "--markov needs"},
        {"shuffles of a table family", [&](RunRequest& r) { r.shuffles = 5; r.small = table; }, "--shuffle needs"},
        {"no BIG and no background", [](RunRequest&) {}, "a run needs BIG"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RunRequest request;
        request.small = fasta;
        request.folder = dir.file("report");
        c.change(request);
        RecordingFeedback shown;
        const RunOutcome outcome = run(request, shown);
        EXPECT_EQ(outcome.status, RunStatus::BadRequest);
        EXPECT_EQ(outcome.message.rfind(c.message, 0), 0u) << outcome.message;
        EXPECT_FALSE(fs::exists(dir.file("report")));
    }
}

TEST(Backgrounds, APlantedMotifRanksFirstAgainstAModelOrShufflesOfItsFamily)
{
    TempDir dir;
    const std::string fasta = dir.file("family.fa");
    writeBytes(fasta, family(100, 500, 60, 2));
    for (const bool shuffles : {false, true}) {
        SCOPED_TRACE(shuffles ? "shuffles" : "model");
        RunRequest request;
        request.small = fasta;
        (shuffles ? request.shuffles : request.markovOrder) = shuffles ? 100 : 3;
        request.folder = dir.file(shuffles ? "shuffles" : "model");
        RecordingFeedback shown;
        const RunOutcome outcome = run(request, shown);
        ASSERT_TRUE(outcome.ok()) << outcome.message;
        const std::vector<std::string> rows = rowsOf(request.folder);
        ASSERT_FALSE(rows.empty());
        const std::string best = field(rows[0], 1);
        EXPECT_TRUE(motif.find(best) != std::string::npos || std::string("TCGGTCAA").find(best) != std::string::npos)
            << rows[0];
        EXPECT_LT(std::stod(field(rows[0], 8)), 1e-3) << rows[0];
        const std::string words = readBytes(request.folder + "/words.tsv");
        EXPECT_NE(words.find(shuffles ? "# background: 100 dinucleotide shuffles of each of the 100 distinct sequences of "
                                      : "# background: a Markov model of order 3 fitted on the 100 distinct sequences of "),
            std::string::npos);
    }
}

TEST(Backgrounds, TheSeedMakesTheShufflesAndOnlyIt)
{
    TempDir dir;
    const std::string fasta = dir.file("family.fa");
    writeBytes(fasta, family(20, 300, 10, 3));
    const auto expected = [&](std::uint64_t seed, const char* folder) {
        RunRequest request;
        request.small = fasta;
        request.shuffles = 20;
        request.seed = seed;
        request.threads = seed == 7 ? 1 : 2;
        request.folder = dir.file(folder);
        RecordingFeedback shown;
        EXPECT_TRUE(run(request, shown).ok());
        std::string column;
        for (const std::string& row : rowsOf(request.folder))
            column += field(row, 1) + " " + field(row, 5) + "\n";
        return column;
    };
    const std::string first = expected(7, "a");
    EXPECT_EQ(expected(7, "b"), first);
    EXPECT_NE(expected(8, "c"), first);
}

TEST(Backgrounds, ShufflesAreWrittenPieceByPieceAndRefusedWhenTheyWouldNotFit)
{
    FamilyProfile family;
    family.add("ACGTTGCAACGGTACCATGGNNACGTAGCTAGG", "a");
    family.add("TTGACCGATTACCA", "b");
    std::string text;
    ASSERT_TRUE(writeShuffledFasta(family, 3, 9, [&text](std::string_view piece) {
        text += piece;
        return true;
    }));
    EXPECT_EQ(text.size(), shuffledFastaBytes(family, 3));
    EXPECT_EQ(text.rfind(">s1.1\n", 0), 0u);
    EXPECT_NE(text.find("\n>s2.3\n"), std::string::npos);
    EXPECT_EQ(std::count(text.begin(), text.end(), '>'), 6);
    // A writer that cannot hold more stops the writing.
    EXPECT_FALSE(writeShuffledFasta(family, 3, 9, [](std::string_view) { return false; }));

    StreamCopies streams;
    streams.setLimit(shuffledFastaBytes(family, 10) - 1);
    const Background refused = shuffledBackground(family, "family.fa", 10, 1, streams);
    EXPECT_FALSE(refused.ok());
    EXPECT_NE(refused.message.find("take fewer shuffles"), std::string::npos) << refused.message;
    const Background held = shuffledBackground(family, "family.fa", 9, 1, streams);
    ASSERT_TRUE(held.ok()) << held.message;
    EXPECT_EQ(readBytes(streams.source(held.big.path)).size(), shuffledFastaBytes(family, 9));
}
