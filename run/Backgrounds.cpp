// What stands for the genome when a run is given none, or only to fit a model on: shuffles
// of the family's sequences, and Markov models.

#include "run/Backgrounds.h"

#include "base/Parallel.h"
#include "export/FastaRecords.h"
#include "sequence/Shuffle.h"

#include <cmath>
#include <memory>
#include <vector>

std::string shuffledFasta(const FamilyProfile& family, int shuffles, std::uint64_t seed)
{
    const std::deque<std::string>& sequences = family.sequences();
    std::vector<std::string> parts(sequences.size());
    forEachInParallel(sequences.size(), [&](std::size_t i) {
        std::string& part = parts[i];
        part.reserve(static_cast<std::size_t>(shuffles) * (sequences[i].size() + 16));
        for (int j = 0; j < shuffles; ++j) {
            ShuffleRandom random(shuffleSeed(seed, i, static_cast<std::uint64_t>(j)));
            ((((part += ">s") += std::to_string(i + 1)) += '.') += std::to_string(j + 1)) += '\n';
            (part += dinucleotideShuffle(sequences[i], random)) += '\n';
        }
    });
    std::size_t size = 0;
    for (const std::string& part : parts)
        size += part.size();
    std::string text;
    text.reserve(size);
    for (std::string& part : parts) {
        text += part;
        std::string().swap(part);
    }
    return text;
}

namespace {

/// What the reports call a Markov model fitted on `source`, and their note on it.
std::string modelName(const MarkovModel& model, const std::string& source)
{
    return "a Markov model of order " + std::to_string(model.order()) + " fitted on " + source;
}

Background expectedBackground(const MarkovModel& model, const std::string& source)
{
    Background made;
    made.big = RunInput(modelName(model, source), std::make_shared<const DTable>(expectedTable(model, expectedTableBases)));
    made.note = modelName(model, source) + " (both strands, " + std::to_string(std::llround(model.windows()))
        + " windows of " + std::to_string(model.order() + 1)
        + " letters of A, C, G and T): each class's chance is the model's, its counts those expected in "
        + std::to_string(expectedTableBases) + " bases";
    return made;
}

/// What a background made of the family says of its E-values.
constexpr const char* ownComposition
    = ". The E-values measure over-representation against the family's own composition: tandem repeats and "
      "elements common to all promoters exceed it too, which only a genome's upstream regions as BIG tell apart "
      "from what is the family's own";

std::string distinctSequences(const FamilyProfile& family, const std::string& familyName)
{
    return std::to_string(family.size()) + " distinct sequences of " + familyName;
}

} // namespace

Background shuffledBackground(const FamilyProfile& family, const std::string& familyName, int shuffles,
    std::uint64_t seed, StreamCopies& streams)
{
    Background made;
    const std::string name = std::to_string(shuffles) + " dinucleotide shuffles of each of the "
        + distinctSequences(family, familyName) + " (seed " + std::to_string(seed) + ")";
    if (std::string problem = streams.hold(name, shuffledFasta(family, shuffles, seed)); !problem.empty()) {
        made.status = ExportStatus::SourceUnreadable;
        made.message = std::move(problem);
        return made;
    }
    made.big = RunInput(name);
    made.note = name + ", their counts standing for the genome's" + ownComposition;
    return made;
}

Background modelBackground(const FamilyProfile& family, const std::string& familyName, int order)
{
    MarkovModel model(order);
    for (const std::string& sequence : family.sequences())
        model.addSequence(sequence);
    Background made = expectedBackground(model, "the " + distinctSequences(family, familyName));
    made.note += ownComposition;
    return made;
}

Background modelBackground(const std::string& source, const std::string& name, InputKind kind, Masking masking,
    int order, RunFeedback& feedback)
{
    Background made;
    MarkovModel model(order);
    if (kind == InputKind::DTable) {
        DTable table;
        if (const LoadOutcome loaded = table.load(source.c_str()); !loaded.ok()) {
            made.status = ExportStatus::SourceUnreadable;
            made.message = "cannot use " + name + " as a DTable file: " + loaded.message;
            return made;
        }
        model.addSixLetterWords(table);
    } else {
        std::int64_t masked = 0;
        static_cast<ExportResult&>(made) = readFastaRecords(
            source.c_str(),
            [&](const FastaRecord& record) { model.addSequence(maskedSequence(record.sequence, masking, masked)); },
            feedback);
        if (!made.ok())
            return made;
    }
    return expectedBackground(model, name);
}
