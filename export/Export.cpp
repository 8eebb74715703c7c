// The export: a FASTA file read as a stream and counted into a table file, by one thread or
// several. The words' first-seen order rests on their positions in the whole text, not on
// which thread met them, so every thread count gives the same table. The same reading and
// counting also serve to count a file in memory, whole or record by record.

#include "export/Export.h"

#include "export/CountingTable.h"
#include "sequence/FastaStream.h"
#include "sequence/InputStream.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <limits>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <thread>

namespace {

constexpr std::size_t unitCapacity = 4 << 20;
constexpr std::size_t chunkCapacity = 4 << 20;

ExportResult failure(ExportStatus status, std::string message)
{
    ExportResult result;
    result.status = status;
    result.message = std::move(message);
    return result;
}

bool sameFile(const char* a, const char* b)
{
    struct stat first, second;
    return ::stat(a, &first) == 0 && ::stat(b, &second) == 0 && first.st_dev == second.st_dev
        && first.st_ino == second.st_ino;
}

/// Counting units handed from the reading thread to the counting threads, and back empty.
class UnitQueue {
public:
    explicit UnitQueue(std::size_t units)
    {
        for (std::size_t i = 0; i < units; ++i)
            spare.push_back(std::make_unique<CountingUnit>(unitCapacity));
    }
    void push(std::unique_ptr<CountingUnit> unit)
    {
        std::lock_guard lock(mutex);
        full.push_back(std::move(unit));
        changed.notify_all();
    }
    /// The next full unit, or null once the queue is closed and empty.
    std::unique_ptr<CountingUnit> pop()
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [this] { return !full.empty() || closed; });
        if (full.empty())
            return nullptr;
        auto unit = std::move(full.front());
        full.pop_front();
        return unit;
    }
    /// An empty unit, waiting until one comes back.
    std::unique_ptr<CountingUnit> take()
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [this] { return !spare.empty(); });
        auto unit = std::move(spare.back());
        spare.pop_back();
        unit->size = 0;
        unit->pieces.clear();
        return unit;
    }
    void giveBack(std::unique_ptr<CountingUnit> unit)
    {
        std::lock_guard lock(mutex);
        spare.push_back(std::move(unit));
        changed.notify_all();
    }
    void close()
    {
        std::lock_guard lock(mutex);
        closed = true;
        changed.notify_all();
    }

private:
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::unique_ptr<CountingUnit>> full;
    std::vector<std::unique_ptr<CountingUnit>> spare;
    bool closed = false;
};

/// Opens `source`; the export's failure when it cannot be read.
std::optional<ExportResult> openSource(InputStream& input, const char* source, const Diagnostics& diagnostics)
{
    if (input.open(source))
        return std::nullopt;
    if (input.status() == ReadStatus::CannotOpen)
        diagnostics.printf("Error: Unable to open %s\n", source);
    return failure(ExportStatus::SourceUnreadable, "cannot read " + quotedPath(source) + ": " + input.error());
}

/// Feeds the whole of `input` to `fasta`, up to a zero byte, and finishes it. Progress goes
/// up to nineteen twentieths: the last twentieth is what is done with the counts.
void feedAll(InputStream& input, FastaStream& fasta, RunFeedback& feedback)
{
    std::unique_ptr<char[]> chunk(new char[chunkCapacity]);
    while (std::size_t n = input.read(chunk.get(), chunkCapacity)) {
        fasta.feed(chunk.get(), n);
        if (input.size())
            feedback.progressed(static_cast<std::int64_t>(input.consumed() * (exportProgressSteps * 19 / 20) / input.size()),
                exportProgressSteps);
        if (fasta.heldZeroByte())
            break;
    }
    fasta.finish();
}

/// What the export makes of a source read to its end: a failure, or nothing when its text
/// can be counted. With `summary` the "Read ... bytes" and gene lines are written on the way.
std::optional<ExportResult> readFailure(const char* source, const InputStream& input, FastaStream& fasta,
    const Diagnostics& diagnostics, bool summary)
{
    if (input.status() != ReadStatus::Read) {
        diagnostics.printf("Error: Unable to read %s: %s\n", source, input.error().c_str());
        return failure(ExportStatus::SourceUnreadable, "cannot read " + quotedPath(source) + ": " + input.error());
    }
    if (fasta.bytesRead() == 0 && !fasta.heldZeroByte()) {
        diagnostics.printf("Error: Unable to read bytes from %s\n", source);
        return failure(ExportStatus::SourceEmpty, quotedPath(source) + " is empty");
    }
    if (summary) {
        diagnostics.printf("Read %llu bytes\n", static_cast<unsigned long long>(fasta.bytesRead()));
        diagnostics.printf("Number of genes in file: %lld\n", static_cast<long long>(fasta.geneCount()));
        diagnostics << fasta.takeGeneLines();
    }
    if (fasta.heldZeroByte())
        return failure(ExportStatus::SourceNotText, quotedPath(source) + " is not a text file (it holds a zero byte)");
    if (fasta.geneCount() == 0)
        return failure(ExportStatus::SourceNotFasta, quotedPath(source) + " holds no FASTA header line (a line starting with '>')");
    return std::nullopt;
}

/// The export's reading and counting of `source` into the empty `table`, by `threads`
/// threads. Progress stops short of full: the caller says when the table is done.
ExportResult countSource(const char* source, CountingTable& table, RunFeedback& feedback, unsigned threads,
    bool& sizeKnown)
{
    const Diagnostics& diagnostics = feedback.diagnostics();
    InputStream input;
    if (auto failed = openSource(input, source, diagnostics))
        return *failed;
    sizeKnown = input.size() != 0;

    // One thread reads and parses; with more than one, the others count.
    const unsigned counters = threads > 1 ? threads : 0;
    // A unit being filled, the next one, and some for the counters to work on.
    UnitQueue queue(counters ? 2 * counters + 2 : 2);
    std::vector<WordCounter> partial(counters ? counters : 1);
    std::vector<std::thread> workers;
    for (unsigned t = 0; t < counters; ++t) {
        workers.emplace_back([&queue, &partial, t] {
            while (auto unit = queue.pop()) {
                unit->countInto(partial[t]);
                queue.giveBack(std::move(unit));
            }
        });
    }
    FastaStream::UnitSink sink;
    if (counters) {
        sink = [&queue](std::unique_ptr<CountingUnit> unit) { queue.push(std::move(unit)); };
    } else {
        sink = [&queue, &partial](std::unique_ptr<CountingUnit> unit) {
            unit->countInto(partial[0]);
            queue.giveBack(std::move(unit));
        };
    }
    FastaStream fasta(source, sink, [&queue] { return queue.take(); }, diagnostics);
    feedAll(input, fasta, feedback);
    queue.close();
    for (std::thread& worker : workers)
        worker.join();

    if (auto failed = readFailure(source, input, fasta, diagnostics, true))
        return *failed;
    for (std::size_t t = 1; t < partial.size(); ++t)
        partial[0].merge(partial[t]);
    table.takeCounts(partial[0]);
    table.setSequenceLength(static_cast<std::int64_t>(fasta.sequenceLength()));
    ExportResult result;
    result.status = ExportStatus::Exported;
    result.genes = fasta.geneCount();
    result.bases = table.sequenceLength();
    return result;
}

/// Tells the feedback the run is over when it goes out of scope, however it ends.
struct FinishedAtExit {
    RunFeedback& feedback;
    ~FinishedAtExit() { feedback.finished(); }
};

} // namespace

std::string quotedPath(const char* path)
{
    return std::string("'") + path + "'";
}

ExportResult exportFastaToDTable(const char* source, const char* destination)
{
    RunFeedback quiet;
    return exportFastaToDTable(source, destination, quiet);
}

ExportResult exportFastaToDTable(const char* source, const char* destination, RunFeedback& feedback, unsigned threads)
{
    if (!source || !destination)
        return failure(ExportStatus::MissingPath, "no source or destination file name");
    if (sameFile(source, destination))
        return failure(ExportStatus::DestinationUnwritable,
            quotedPath(destination) + " is the source file itself; it would be overwritten");

    feedback.started();
    FinishedAtExit finished {feedback};
    CountingTable table(feedback.diagnostics());
    bool sizeKnown = false;
    ExportResult result = countSource(source, table, feedback, threads, sizeKnown);
    if (!result.ok())
        return result;
    std::string cause;
    if (!table.write(destination, &cause))
        return failure(ExportStatus::DestinationUnwritable, "cannot write " + quotedPath(destination) + ": " + cause);
    if (sizeKnown)
        feedback.progressed(exportProgressSteps, exportProgressSteps);
    return result;
}

CountedFasta countFasta(const char* source, RunFeedback& feedback, unsigned threads)
{
    if (!source)
        return {failure(ExportStatus::MissingPath, "no source file name"), CountingTable()};

    feedback.started();
    FinishedAtExit finished {feedback};
    CountedFasta counted {ExportResult(), CountingTable(feedback.diagnostics())};
    bool sizeKnown = false;
    counted.result = countSource(source, counted.table, feedback, threads, sizeKnown);
    if (counted.result.ok() && sizeKnown)
        feedback.progressed(exportProgressSteps, exportProgressSteps);
    return counted;
}

CountedRecords countFastaRecords(const char* source, std::size_t maxRecords, RunFeedback& feedback)
{
    CountedRecords counted;
    if (!source) {
        counted.result = failure(ExportStatus::MissingPath, "no source file name");
        return counted;
    }

    feedback.started();
    FinishedAtExit finished {feedback};
    const Diagnostics& diagnostics = feedback.diagnostics();
    InputStream input;
    if (auto failed = openSource(input, source, diagnostics)) {
        counted.result = *failed;
        return counted;
    }

    // Where each kept record's bases start in the order of all bases, and where the first
    // record not kept starts: every piece before that belongs to the last kept record
    // starting at or before it (records without bases share their start with the next one).
    std::vector<std::uint64_t> starts;
    std::uint64_t keptEnd = maxRecords ? std::numeric_limits<std::uint64_t>::max() : 0;
    // One counter for the record being counted; its counts go to the record's table as the
    // pieces move on to the next record.
    WordCounter counter;
    std::size_t counting = 0;
    bool counterHolds = false;
    auto takeCounted = [&] {
        if (counterHolds)
            counted.tables[counting].takeCounts(counter);
        counterHolds = false;
    };

    UnitQueue queue(2);
    FastaStream fasta(
        source,
        [&](std::unique_ptr<CountingUnit> unit) {
            for (const CountingUnit::Piece& piece : unit->pieces) {
                if (piece.start >= keptEnd)
                    break;
                const std::size_t record
                    = static_cast<std::size_t>(std::upper_bound(starts.begin(), starts.end(), piece.start) - starts.begin()) - 1;
                if (record != counting) {
                    takeCounted();
                    counting = record;
                }
                counter.countPiece(unit->bytes.get() + piece.offset, piece.length, piece.counted, piece.start);
                counterHolds = true;
            }
            queue.giveBack(std::move(unit));
        },
        [&queue] { return queue.take(); });
    fasta.onGene([&](std::int64_t gene, std::string_view name, std::uint64_t firstBase) {
        if (static_cast<std::uint64_t>(gene) < maxRecords) {
            starts.push_back(firstBase);
            counted.tables.emplace_back();
            counted.names.emplace_back(name);
        } else if (static_cast<std::uint64_t>(gene) == maxRecords) {
            keptEnd = firstBase;
        }
    });
    feedAll(input, fasta, feedback);
    takeCounted();

    if (auto failed = readFailure(source, input, fasta, diagnostics, false)) {
        counted.result = *failed;
        counted.tables.clear();
        counted.names.clear();
        return counted;
    }
    for (std::size_t r = 0; r < counted.tables.size(); ++r) {
        const std::uint64_t end = r + 1 < starts.size() ? starts[r + 1] : std::min(keptEnd, fasta.sequenceLength());
        counted.tables[r].setSequenceLength(static_cast<std::int64_t>(end - starts[r]));
    }
    diagnostics.printf("Gene tables: %zu of the %lld genes of %s\n", counted.tables.size(),
        static_cast<long long>(fasta.geneCount()), source);
    if (input.size())
        feedback.progressed(exportProgressSteps, exportProgressSteps);
    counted.result.status = ExportStatus::Exported;
    counted.result.genes = fasta.geneCount();
    counted.result.bases = static_cast<std::int64_t>(fasta.sequenceLength());
    return counted;
}
