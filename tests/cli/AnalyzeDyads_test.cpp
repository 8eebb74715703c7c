#include "TestSupport.h"

#include "RunCli.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

namespace {

/// The fields of each line of `text` that is no comment, tabs kept apart (an empty last field
/// too).
std::vector<std::vector<std::string>> rowsOf(const std::string& text)
{
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        std::vector<std::string>& fields = rows.emplace_back();
        for (std::size_t from = 0, tab = 0; tab != std::string::npos; from = tab + 1) {
            tab = line.find('\t', from);
            fields.push_back(line.substr(from, tab == std::string::npos ? std::string::npos : tab - from));
        }
    }
    return rows;
}

std::string randomBases(std::mt19937& random, std::size_t length)
{
    std::string bases;
    for (std::size_t i = 0; i < length; ++i)
        bases += "ACGT"[random() % 4];
    return bases;
}

/// A random genome of 100 sequences of 3,000 bases, and a family of 200 random sequences of 300
/// bases, three in five of them holding the dimer site TGTGA-N6-TCACA at a random place, noted
/// in `planted` (sequence, start; the sequences are named s0, s1, ...).
struct PlantedDimer {
    PlantedDimer()
    {
        std::mt19937 random(11);
        std::string genome, family;
        for (int i = 0; i < 100; ++i)
            genome.append(">g").append(std::to_string(i)).append("\n").append(randomBases(random, 3000)).append("\n");
        for (int i = 0; i < 200; ++i) {
            std::string sequence = randomBases(random, 300);
            if (i % 5 < 3) {
                const std::string site = std::string("TGTGA").append(randomBases(random, 6)).append("TCACA");
                const std::size_t at = random() % (sequence.size() - site.size());
                sequence.replace(at, site.size(), site);
                planted.emplace_back(std::string("s").append(std::to_string(i)), at);
            }
            family.append(">s").append(std::to_string(i)).append("\n").append(sequence).append("\n");
        }
        writeBytes(dir.file("genome.fa"), genome);
        writeBytes(dir.file("family.fa"), family);
    }
    TempDir dir;
    std::vector<std::pair<std::string, std::size_t>> planted;
};

/// Whether the letters of `pattern` (its n matching anything) lie in `site` (whose n match
/// nothing but n) at some offset.
bool liesIn(const std::string& pattern, const std::string& site)
{
    for (std::size_t at = 0; at + pattern.size() <= site.size(); ++at) {
        bool fits = true;
        for (std::size_t k = 0; k < pattern.size() && fits; ++k)
            fits = pattern[k] == 'n' || pattern[k] == site[at + k];
        if (fits)
            return true;
    }
    return false;
}

} // namespace

TEST(AnalyzeDyads, APlantedDimerSiteTopsTheListAsOneMotifWithItsSites)
{
    PlantedDimer in;
    const std::string folder = in.dir.file("report");
    CliOutcome analyzed = run({"-q", "analyze", "--dyads", "--out", folder, in.dir.file("genome.fa"), in.dir.file("family.fa")});
    ASSERT_EQ(analyzed.status, 0) << analyzed.err;

    // The best class is a pair of the site, far beyond any word, which the site dilutes.
    const auto words = rowsOf(readBytes(folder + "/words.tsv"));
    ASSERT_GT(words.size(), 2u);
    const std::vector<std::string>& header = words[0];
    ASSERT_EQ(header.back(), "spacing");
    ASSERT_EQ(header[header.size() - 2], "kind");
    const std::vector<std::string>& best = words[1];
    EXPECT_EQ(best[header.size() - 2], "dyad");
    const std::string site = "TGTGAnnnnnnTCACA"; // its own reverse complement
    EXPECT_TRUE(liesIn(best[1], site)) << best[1];
    EXPECT_LT(std::stod(best[8]), 1e-60);
    for (std::size_t r = 1; r < words.size(); ++r)
        if (words[r][header.size() - 2] == "word") {
            EXPECT_GT(std::stod(words[r][8]), 1e-30) << words[r][1];
            break;
        }

    // One motif: the pairs at other spacers join it, their spacers a gap of equal letters.
    const auto motifs = rowsOf(readBytes(folder + "/motifs.tsv"));
    const auto firstAssembled = std::find_if(motifs.begin(), motifs.end(), [](const auto& row) { return row[0] == "assembled"; });
    ASSERT_NE(firstAssembled, motifs.end());
    EXPECT_TRUE(liesIn((*firstAssembled)[3], site)) << (*firstAssembled)[3];
    EXPECT_GE((*firstAssembled)[3].size(), 12u);
    const std::string jaspar = readBytes(folder + "/motifs.jaspar");
    const std::size_t matrix = jaspar.find(">assembled-1");
    ASSERT_NE(matrix, std::string::npos);
    std::vector<std::vector<double>> rows;
    std::istringstream lines(jaspar.substr(matrix));
    std::string line;
    std::getline(lines, line);
    for (int letter = 0; letter < 4 && std::getline(lines, line); ++letter) {
        std::istringstream cells(line.substr(line.find('[') + 1));
        std::vector<double>& row = rows.emplace_back();
        for (std::string cell; cells >> cell && cell != "]";)
            row.push_back(std::stod(cell));
    }
    ASSERT_EQ(rows.size(), 4u);
    const std::string& consensus = (*firstAssembled)[3];
    ASSERT_EQ(rows[0].size(), consensus.size());
    for (std::size_t k = 0; k < consensus.size(); ++k) {
        const bool even = rows[0][k] == rows[1][k] && rows[1][k] == rows[2][k] && rows[2][k] == rows[3][k];
        EXPECT_EQ(even, consensus[k] == 'n') << k;
    }

    // Its sites are where the site was planted, in nearly every sequence that holds it.
    const auto sites = rowsOf(readBytes(folder + "/sites.bed"));
    std::size_t found = 0;
    for (const auto& [name, at] : in.planted)
        for (const auto& bed : sites)
            if (bed[0] == name && bed[3] == "assembled-1" && std::stoul(bed[1]) <= at + 2 && std::stoul(bed[2]) + 2 >= at + 16) {
                ++found;
                break;
            }
    EXPECT_GE(found, in.planted.size() * 9 / 10);
}

TEST(AnalyzeDyads, ATableGenomeTakesItsPairsFromTheBackgroundFile)
{
    PlantedDimer in;
    ASSERT_EQ(run({"-q", "export", in.dir.file("genome.fa"), in.dir.file("genome.dtable")}).status, 0);
    const std::string fromFasta = in.dir.file("fasta"), fromTable = in.dir.file("table");
    ASSERT_EQ(run({"-q", "analyze", "--dyads", "--spacing", "4-12", "--out", fromFasta, in.dir.file("genome.fa"),
                  in.dir.file("family.fa")}).status, 0);
    CliOutcome table = run({"-q", "analyze", "--dyads", "--spacing=4-12", "--dyad-background", in.dir.file("genome.fa"),
        "--out", fromTable, in.dir.file("genome.dtable"), in.dir.file("family.fa")});
    ASSERT_EQ(table.status, 0) << table.err;
    const auto a = rowsOf(readBytes(fromFasta + "/words.tsv")), b = rowsOf(readBytes(fromTable + "/words.tsv"));
    EXPECT_EQ(a, b);
    std::size_t pairs = 0;
    for (const auto& row : a)
        if (row.back() != "" && row.back() != "spacing") {
            ++pairs;
            EXPECT_GE(std::stoi(row.back()), 4);
            EXPECT_LE(std::stoi(row.back()), 12);
        }
    EXPECT_GT(pairs, 0u);
}

TEST(AnalyzeDyads, BadSpacingsAndPairsNoInputHoldsAreRefusedWithNothingWritten)
{
    PlantedDimer in;
    ASSERT_EQ(run({"-q", "export", in.dir.file("genome.fa"), in.dir.file("genome.dtable")}).status, 0);
    ASSERT_EQ(run({"-q", "export", in.dir.file("family.fa"), in.dir.file("family.dtable")}).status, 0);
    const std::string folder = in.dir.file("report");
    const std::string genome = in.dir.file("genome.fa"), family = in.dir.file("family.fa");
    const std::string genomeTable = in.dir.file("genome.dtable"), familyTable = in.dir.file("family.dtable");
    using Args = std::vector<std::string>;
    for (const Args& options : {Args {"--dyads", "--spacing", "0-51"}, Args {"--dyads", "--spacing", "20-0"},
             Args {"--dyads", "--spacing", "x"}, Args {"--dyads", "--spacing", "5-"}, Args {"--dyads", "--spacing=-1-5"},
             Args {"--dyads", "--spacing", "1e1"}, Args {"--spacing", "3-5"}, Args {"--dyads=yes"},
             Args {"--dyad-background", genome}, Args {"--dyads", "--dyad-background="}}) {
        Args args = {"-q", "analyze", "--out", folder};
        args.insert(args.end(), options.begin(), options.end());
        args.insert(args.end(), {genome, family});
        SCOPED_TRACE(testing::PrintToString(args));
        CliOutcome bad = run(args);
        EXPECT_EQ(bad.status, 2);
        EXPECT_NE(bad.err.find("\nUsage: seqlark-cli"), std::string::npos) << bad.err;
        EXPECT_FALSE(fileExists(folder));
    }
    // A table holds no pairs: a table genome needs the background, a table family cannot serve.
    for (const Args& files : {Args {genomeTable, family}, Args {genome, familyTable, familyTable}}) {
        Args args = {"-q", "analyze", "--dyads", "--out", folder};
        args.insert(args.end(), files.begin(), files.end());
        CliOutcome bad = run(args);
        EXPECT_EQ(bad.status, 2) << bad.err;
        EXPECT_NE(bad.err.find("pairs"), std::string::npos) << bad.err;
        EXPECT_FALSE(fileExists(folder));
    }
    CliOutcome tableBackground = run({"-q", "analyze", "--dyads", "--dyad-background", genomeTable, "--out", folder,
        genomeTable, family});
    EXPECT_EQ(tableBackground.status, 1);
    EXPECT_TRUE(isOneErrorLine(tableBackground.err)) << tableBackground.err;
    EXPECT_FALSE(fileExists(folder));
}

TEST(AnalyzeBackgrounds, ChoicesNoBackgroundTakesAreUsageErrorsThatWriteNothing)
{
    PlantedDimer in;
    ASSERT_EQ(run({"-q", "export", in.dir.file("family.fa"), in.dir.file("family.dtable")}).status, 0);
    const std::string folder = in.dir.file("report");
    const std::string genome = in.dir.file("genome.fa"), family = in.dir.file("family.fa");
    const std::string familyTable = in.dir.file("family.dtable");
    using Args = std::vector<std::string>;
    for (const Args& args : {Args {"--markov", "6", family}, Args {"--markov", "-1", family},
             Args {"--markov", "x", family}, Args {"--markov", "5", family}, Args {"--shuffle", "0", family},
             Args {"--shuffle", "1001", family}, Args {"--shuffle", "1e2", family},
             Args {"--markov", "2", "--shuffle", "10", family}, Args {"--seed", "3", genome, family},
             Args {"--shuffle", "10", "--seed", "x", family}, Args {"--shuffle", "10", genome, family},
             Args {"--markov", "2", genome, family, family}, Args {"--markov", "2", familyTable},
             Args {"--shuffle", "10", familyTable}, Args {"--markov", "2", "--dyads", family},
             Args {"--markov", "2", "--strand", "given", family}, Args {family}}) {
        Args line = {"-q", "analyze", "--out", folder};
        line.insert(line.end(), args.begin(), args.end());
        SCOPED_TRACE(testing::PrintToString(line));
        CliOutcome bad = run(line);
        EXPECT_EQ(bad.status, 2);
        EXPECT_EQ(bad.err.rfind("seqlark-cli: ", 0), 0u) << bad.err;
        EXPECT_NE(bad.err.find("\nUsage: seqlark-cli"), std::string::npos) << bad.err;
        EXPECT_FALSE(fileExists(folder));
    }
}
