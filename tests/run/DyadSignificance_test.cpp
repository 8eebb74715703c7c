#include "TestSupport.h"

#include "run/Run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

/// One spaced-pair class of dyad_reference.tsv, computed by make_dyad_reference.py from the
/// FASTA text alone at 256 bits.
struct ReferenceClass {
    std::string word;
    std::string reverse;
    int spacing = 0;
    std::int64_t observed = 0;
    std::int64_t sequences = 0;
    double expected = 0.0;
    double expectedSequences = 0.0;
    double log10PSequences = 0.0;
    double log10PBinomial = 0.0;
};

struct Reference {
    std::int64_t tests = 0;
    std::int64_t distinctSequences = 0;
    std::vector<ReferenceClass> classes;
};

Reference readReference()
{
    Reference reference;
    std::ifstream in(testData("dyad_reference.tsv"));
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::vector<std::string> fields;
        std::istringstream items(line);
        for (std::string field; std::getline(items, field, '\t');)
            fields.push_back(field);
        if (fields[0] == "tests") {
            reference.tests = std::stoll(fields.at(1));
        } else if (fields[0] == "family") {
            reference.distinctSequences = std::stoll(fields.at(1));
        } else {
            EXPECT_EQ(fields.size(), 9u) << line;
            if (fields.size() != 9)
                continue;
            ReferenceClass row;
            row.word = fields[0];
            row.reverse = fields[1];
            row.spacing = std::stoi(fields[2]);
            row.observed = std::stoll(fields[3]);
            row.sequences = std::stoll(fields[4]);
            row.expected = std::strtod(fields[5].c_str(), nullptr);
            row.expectedSequences = std::strtod(fields[6].c_str(), nullptr);
            row.log10PSequences = std::strtod(fields[7].c_str(), nullptr);
            row.log10PBinomial = std::strtod(fields[8].c_str(), nullptr);
            reference.classes.push_back(row);
        }
    }
    return reference;
}

/// The error of `actual` against `exact`: relative, absolute where |exact| < 1 (a log10 P
/// near 0 is a P near 1, where the absolute error is what matters).
double errorOf(double actual, double exact)
{
    return std::fabs(actual - exact) / std::max(1.0, std::fabs(exact));
}

double relativeError(double actual, double exact)
{
    return std::fabs(actual - exact) / std::fabs(exact);
}

} // namespace

/// The spaced pairs' numbers a scientist would publish, from a run on FASTA files, against an
/// independent computation at high precision: the counts, the expected counts, log10 P of
/// the sequences and binomial statistics and the E-values over every class tested, for pairs
/// strongly and moderately over-represented, palindromic and not, ordinary ones, one seen
/// less than expected (P near 1) and pairs at the first and last spacings. The family holds
/// a record twice and another again in lower case (one sequence each, two records each), gaps
/// and IUPAC letters, and a record too short for the widest spacings.
TEST(DyadSignificance, MatchesAnExactComputationFromTheFastaText)
{
    const Reference reference = readReference();
    ASSERT_GE(reference.classes.size(), 15u);
    ASSERT_GT(reference.tests, 0);

    struct Case {
        Statistic statistic;
        double ReferenceClass::*log10P;
    };
    const Case cases[] = {
        {Statistic::Sequences, &ReferenceClass::log10PSequences},
        {Statistic::Binomial, &ReferenceClass::log10PBinomial},
    };
    TempDir dir;
    // The largest errors seen, shown in the XML output: expected counts, log10 P, log10 E.
    double largest[3] = {0.0, 0.0, 0.0};
    for (const Case& c : cases) {
        SCOPED_TRACE(describeStatistic(c.statistic).name);
        RunRequest request;
        request.big = testData("dyad_background.fa");
        request.small = testData("dyad_family.fa");
        request.statistic = c.statistic;
        request.dyads = DyadSpacings{0, 20};
        request.folder = dir.file(describeStatistic(c.statistic).name);
        RecordingFeedback shown;
        const RunOutcome outcome = run(request, shown);
        ASSERT_TRUE(outcome.ok()) << outcome.message;
        const SignificanceTable& table = outcome.result.significance;
        EXPECT_EQ(table.statistic, c.statistic);
        EXPECT_EQ(table.familySize, reference.distinctSequences);
        // The words of 6 to 8 letters and the pairs of spacings 1 to 20: those of no spacer
        // are the 6-letter words, tested once.
        EXPECT_EQ(table.classesTested, reference.tests);
        EXPECT_TRUE(std::none_of(table.classes.begin(), table.classes.end(),
            [](const WordClass& row) { return row.spacing == 0; }));
        const double log10Tests = std::log10(static_cast<double>(reference.tests));

        for (const ReferenceClass& exact : reference.classes) {
            SCOPED_TRACE(exact.word);
            const auto found = std::find_if(table.classes.begin(), table.classes.end(),
                [&](const WordClass& row) { return row.word == exact.word && row.spacing == exact.spacing; });
            ASSERT_NE(found, table.classes.end());
            const WordClass& row = *found;
            EXPECT_EQ(row.reverse, exact.reverse);
            EXPECT_EQ(row.length, 6 + exact.spacing);
            EXPECT_EQ(row.observed, exact.observed);
            EXPECT_EQ(row.sequences, exact.sequences);
            // Sums of doubles and one logarithm each: a few units in the last place.
            const double errorExpected = std::max(relativeError(row.expected, exact.expected),
                relativeError(row.expectedSequences, exact.expectedSequences));
            EXPECT_LE(errorExpected, 1e-12) << "expected " << row.expected << " and " << row.expectedSequences
                                            << " sequences, exactly " << exact.expected << " and "
                                            << exact.expectedSequences;
            // The exact tails of small families keep nine digits and more.
            const double log10P = exact.*c.log10P;
            const double errorP = errorOf(row.log10P, log10P);
            const double errorE = errorOf(row.log10E, log10Tests + log10P);
            EXPECT_LE(errorP, 1e-9) << "log10 P is " << row.log10P << ", exactly " << log10P;
            EXPECT_LE(errorE, 1e-9) << "log10 E is " << row.log10E << ", exactly " << log10Tests + log10P;
            largest[0] = std::max(largest[0], errorExpected);
            largest[1] = std::max(largest[1], errorP);
            largest[2] = std::max(largest[2], errorE);
        }
    }
    std::ostringstream shown;
    shown << "expected " << largest[0] << ", log10 P " << largest[1] << ", log10 E " << largest[2];
    RecordProperty("largestErrors", shown.str());
}
