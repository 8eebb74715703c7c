// What stands for the genome when a run is given none, or only to fit a model on: shuffles
// of the family's sequences, and Markov models.

#include "run/Backgrounds.h"

#include "base/Parallel.h"
#include "export/FastaRecords.h"
#include "sequence/Shuffle.h"

#include <cmath>
#include <memory>
#include <functional>
#include <vector>

bool writeShuffledFasta(
    const FamilyProfile& family, int shuffles, std::uint64_t seed, const std::function<bool(std::string_view)>& write)
{
    const std::deque<std::string>& sequences = family.sequences();
    // Made a batch of sequences at a time, in parallel, so that memory holds one batch
    // beside what is written.
    constexpr std::size_t batch = 64;
    std::vector<std::string> parts(batch);
    for (std::size_t first = 0; first < sequences.size(); first += batch) {
        const std::size_t count = std::min(batch, sequences.size() - first);
        forEachInParallel(count, [&](std::size_t k) {
            const std::size_t i = first + k;
            std::string& part = parts[k];
            part.clear();
            part.reserve(static_cast<std::size_t>(shuffles) * (sequences[i].size() + 16));
            for (int j = 0; j < shuffles; ++j) {
                ShuffleRandom random(shuffleSeed(seed, i, static_cast<std::uint64_t>(j)));
                ((((part += ">s") += std::to_string(i + 1)) += '.') += std::to_string(j + 1)) += '\n';
                (part += dinucleotideShuffle(sequences[i], random)) += '\n';
            }
        });
        for (std::size_t k = 0; k < count; ++k)
            if (!write(parts[k]))
                return false;
    }
    return true;
}

std::uint64_t shuffledFastaBytes(const FamilyProfile& family, int shuffles)
{
    // Each record: ">s", the sequence's number, ".", the shuffle's number, a line feed, the
    // letters and a line feed.
    std::uint64_t shuffleDigits = 0;
    for (int j = 1; j <= shuffles; ++j)
        shuffleDigits += std::to_string(j).size();
    std::uint64_t bytes = 0;
    for (std::size_t i = 0; i < family.sequences().size(); ++i)
        bytes += static_cast<std::uint64_t>(shuffles) * (family.sequences()[i].size() + 5 + std::to_string(i + 1).size())
            + shuffleDigits;
    return bytes;
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
    // The shuffles are held in memory whole: refused at once when they would not fit.
    const std::uint64_t bytes = shuffledFastaBytes(family, shuffles);
    std::string problem;
    if (bytes > streams.capacity())
        problem = "the " + std::to_string(shuffles) + " shuffles of each sequence of " + familyName + " would take "
            + std::to_string(bytes >> 20) + " MB, more than the " + std::to_string(streams.capacity() >> 20)
            + " MB this machine lets them hold; take fewer shuffles";
    else
        problem = streams.hold(name, [&](const StreamCopies::Writer& write) {
            return writeShuffledFasta(family, shuffles, seed, write);
        });
    if (!problem.empty()) {
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
