// Reading a FASTA file record by record: the stream reader hands on counting units, whose
// pieces are put back together into each record's sequence.

#include "export/FastaRecords.h"

#include "export/CountingTable.h"
#include "export/SourceReading.h"

#include <algorithm>
#include <deque>
#include <future>
#include <thread>
#include <memory>
#include <string>
#include <vector>

namespace {

/// Puts the pieces of the units back together, record by record, and hands each record on
/// once the next one has begun or the text has ended.
class RecordAssembler {
public:
    explicit RecordAssembler(const std::function<void(const FastaRecord&)>& each)
        : each(each)
    {
    }
    /// A record's header line has ended.
    void begin(std::string_view name, std::uint64_t firstBase)
    {
        pending.push_back({std::string(name), firstBase});
    }
    /// The pieces of a full unit. A piece that counts fewer bytes than it holds is followed
    /// by its record's next piece, which starts with the bytes it left uncounted.
    void take(const CountingUnit& unit)
    {
        for (const CountingUnit::Piece& piece : unit.pieces) {
            while (pending.size() > 1 && piece.start >= pending[1].firstBase)
                emit();
            sequence.append(unit.bytes.get() + piece.offset, piece.counted);
        }
    }
    /// The text has ended: hands on the records still held.
    void finish()
    {
        while (!pending.empty())
            emit();
    }

private:
    struct Header {
        std::string name;
        std::uint64_t firstBase;
    };
    void emit()
    {
        const Header& header = pending.front();
        each(FastaRecord {emitted++, header.name, sequence, header.firstBase});
        sequence.clear();
        pending.pop_front();
    }

    const std::function<void(const FastaRecord&)>& each;
    std::deque<Header> pending;
    std::string sequence;
    std::int64_t emitted = 0;
};

} // namespace

ExportResult readFastaRecords(const char* source, const std::function<void(const FastaRecord&)>& each,
    RunFeedback& feedback)
{
    if (!source)
        return exportFailure(ExportStatus::MissingPath, "no source file name");
    const Diagnostics& diagnostics = feedback.diagnostics();
    InputStream input;
    if (auto failed = openSource(input, source, diagnostics))
        return *failed;
    RecordAssembler records(each);
    std::unique_ptr<CountingUnit> spare;
    FastaStream fasta(
        source,
        [&](std::unique_ptr<CountingUnit> unit) {
            records.take(*unit);
            unit->size = 0;
            unit->pieces.clear();
            spare = std::move(unit);
        },
        [&spare] { return spare ? std::move(spare) : std::make_unique<CountingUnit>(unitCapacity); });
    fasta.keepCase();
    fasta.onGene([&records](std::int64_t, std::string_view name, std::uint64_t firstBase) {
        records.begin(name, firstBase);
    });
    if (auto stopped = feedAll(input, fasta, feedback))
        return *stopped;
    if (auto failed = readFailure(source, input, fasta, diagnostics, false))
        return *failed;
    records.finish();
    if (input.size())
        feedback.progressed(exportProgressSteps, exportProgressSteps);
    ExportResult result;
    result.genes = fasta.geneCount();
    result.bases = static_cast<std::int64_t>(fasta.sequenceLength());
    return result;
}

std::string maskedSequence(std::string_view sequence, Masking masking, std::int64_t& masked)
{
    std::string letters(sequence);
    if (masking == Masking::Lower) {
        // The lower-case n of a soft-masked gap was no letter to count either.
        const auto lowerN = static_cast<std::size_t>(std::count(letters.begin(), letters.end(), 'n'));
        masked += static_cast<std::int64_t>(maskLowerCase(letters) - lowerN);
    }
    for (char& c : letters)
        if (c == 'a' || c == 'c' || c == 'g' || c == 't')
            c = static_cast<char>(c - 32);
    if (masking == Masking::Dust)
        masked += static_cast<std::int64_t>(maskLowComplexity(letters));
    return letters;
}

MaskedCount countFastaMasked(const char* source, Masking masking, RunFeedback& feedback)
{
    MaskedCount counted;
    if (masking == Masking::None) {
        static_cast<CountedFasta&>(counted) = countFasta(source, feedback);
        return counted;
    }
    feedback.started();
    counted.table = CountingTable(feedback.diagnostics());
    WordCounter counter;
    const ExportResult read = readFastaRecords(
        source,
        [&](const FastaRecord& record) {
            const std::string letters = maskedSequence(record.sequence, masking, counted.maskedBases);
            counter.countPiece(letters.data(), letters.size(), letters.size(), record.firstBase);
        },
        feedback);
    setResult(counted, read);
    if (counted.ok()) {
        counted.table.takeCounts(counter);
        counted.table.setSequenceLength(counted.bases);
    } else {
        counted.table = CountingTable();
    }
    feedback.finished();
    return counted;
}

StrandRead readStrandCounts(const char* source, Masking masking, RunFeedback& feedback)
{
    StrandRead strand;
    std::int64_t masked = 0;
    const ExportResult read = readFastaRecords(
        source, [&](const FastaRecord& record) { strand.counts.add(maskedSequence(record.sequence, masking, masked)); },
        feedback);
    setResult(strand, read);
    return strand;
}

namespace {

/// Letters of records a thread counts the spaced pairs of at a time.
constexpr std::size_t dyadBatchLetters = std::size_t(4) << 20;

/// A piece of a record: its letters, and how many of them start the pairs it counts (the rest
/// complete them).
struct DyadPiece {
    std::string letters;
    std::size_t starts;
};

/// The pairs of a batch of pieces, counted apart from the others.
DyadCounts countedDyads(const std::vector<DyadPiece>& batch, DyadSpacings spacings)
{
    DyadCounts counts(spacings);
    for (const DyadPiece& piece : batch)
        counts.add(piece.letters, 1, piece.starts);
    return counts;
}

} // namespace

DyadRead readDyadCounts(
    const char* source, Masking masking, DyadSpacings spacings, RunFeedback& feedback, std::size_t pieceStarts)
{
    DyadRead dyads;
    dyads.counts = DyadCounts(spacings);
    // The records are read on this thread and counted in batches on as many others as there
    // are cores, the oldest batch's counts added in once that many are under way.
    const std::size_t inFlight = std::max(1u, std::thread::hardware_concurrency());
    std::deque<std::future<DyadCounts>> counting;
    std::vector<DyadPiece> batch;
    std::size_t letters = 0;
    const auto dispatch = [&] {
        if (counting.size() == inFlight) {
            dyads.counts.merge(counting.front().get());
            counting.pop_front();
        }
        counting.push_back(std::async(std::launch::async, countedDyads, std::move(batch), spacings));
        batch.clear();
        letters = 0;
    };
    const auto take = [&](std::string piece, std::size_t starts) {
        letters += piece.size();
        batch.push_back({std::move(piece), starts});
        if (letters >= dyadBatchLetters)
            dispatch();
    };
    // The letters after its start that a pair holds.
    const std::size_t reach = static_cast<std::size_t>(2 * dyadHalf + spacings.longest - 1);
    std::int64_t masked = 0;
    const ExportResult read = readFastaRecords(
        source,
        [&](const FastaRecord& record) {
            // Dust looks at stretches of the whole record; the other maskings letter by letter,
            // so that a long record is masked piece by piece as it is cut.
            const std::string whole = masking == Masking::Dust ? maskedSequence(record.sequence, masking, masked) : "";
            const std::string_view sequence = masking == Masking::Dust ? std::string_view(whole) : record.sequence;
            for (std::size_t at = 0; at == 0 || at < sequence.size(); at += pieceStarts) {
                const std::size_t starts = std::min(pieceStarts, sequence.size() - at);
                const std::string_view piece = sequence.substr(at, starts + reach);
                take(masking == Masking::Dust ? std::string(piece) : maskedSequence(piece, masking, masked), starts);
            }
        },
        feedback);
    if (!batch.empty())
        dispatch();
    for (std::future<DyadCounts>& part : counting)
        dyads.counts.merge(part.get());
    setResult(dyads, read);
    return dyads;
}

FamilyRead readFamily(const char* source, Masking masking, std::size_t maxRecords, RunFeedback& feedback, Strand strand)
{
    FamilyRead family;
    family.profile = FamilyProfile(strand);
    if (strand == Strand::Given)
        family.forward.emplace();
    WordCounter counter;
    const ExportResult read = readFastaRecords(
        source,
        [&](const FastaRecord& record) {
            const std::string letters = maskedSequence(record.sequence, masking, family.maskedBases);
            counter.countPiece(letters.data(), letters.size(), letters.size(), record.firstBase);
            if (static_cast<std::size_t>(record.number) < maxRecords) {
                // Each record's table is the export of the record alone, its bases numbered from its start.
                WordCounter alone;
                alone.countPiece(letters.data(), letters.size(), letters.size(), 0);
                family.records.emplace_back();
                family.records.back().takeCounts(alone);
                family.records.back().setSequenceLength(static_cast<std::int64_t>(letters.size()));
                family.names.emplace_back(record.name);
            }
            family.profile.add(letters, record.name);
            if (family.forward)
                family.forward->add(letters);
        },
        feedback);
    setResult(family, read);
    if (!family.ok()) {
        family.records.clear();
        family.names.clear();
        family.profile = FamilyProfile(strand);
        family.forward.reset();
        return family;
    }
    family.table.takeCounts(counter);
    family.table.setSequenceLength(family.bases);
    return family;
}
