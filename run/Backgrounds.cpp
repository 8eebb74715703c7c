// What stands for the genome when a run is given none, or only to fit a model on: shuffles
// of the family's sequences, and Markov models.

#include "run/Backgrounds.h"

#include "base/Parallel.h"
#include "export/FastaRecords.h"
#include "sequence/Shuffle.h"

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

MarkovModel familyModel(const FamilyProfile& family, int order)
{
    MarkovModel model(order);
    for (const std::string& sequence : family.sequences())
        model.addSequence(sequence);
    return model;
}

FittedModel fileModel(const std::string& source, InputKind kind, Masking masking, int order, RunFeedback& feedback)
{
    FittedModel fitted;
    MarkovModel model(order);
    if (kind == InputKind::DTable) {
        DTable table;
        if (const LoadOutcome loaded = table.load(source.c_str()); !loaded.ok()) {
            fitted.status = ExportStatus::SourceUnreadable;
            fitted.message = loaded.message;
            return fitted;
        }
        model.addSixLetterWords(table);
    } else {
        std::int64_t masked = 0;
        static_cast<ExportResult&>(fitted) = readFastaRecords(
            source.c_str(),
            [&](const FastaRecord& record) { model.addSequence(maskedSequence(record.sequence, masking, masked)); },
            feedback);
        if (!fitted.ok())
            return fitted;
    }
    fitted.model = std::move(model);
    return fitted;
}
