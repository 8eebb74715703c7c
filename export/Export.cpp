// The export: a FASTA file read as a stream and counted into a table file, by one thread or
// several. The words' first-seen order rests on their positions in the whole text, not on
// which thread met them, so every thread count gives the same table. The same reading and
// counting also serve to count a file in memory, whole or record by record.

#include "export/Export.h"

#include "export/CountingTable.h"
#include "export/SourceReading.h"
#include "sequence/FastaStream.h"
#include "sequence/InputStream.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <limits>
#include <mutex>
#include <new>
#include <optional>
#include <sys/stat.h>
#include <system_error>
#include <thread>

namespace {

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

/// Threads counting the units the reading thread fills, as many as the system lets start
/// (the reading thread counts by itself when none does). They are told to stop and joined
/// however the reading ends; one that runs out of memory counts no more and says so.
class Counters {
public:
    Counters(unsigned threads, UnitQueue& queue)
        : queue(queue)
        , partial(threads)
    {
        workers.reserve(threads);
        try {
            for (unsigned t = 0; t < threads; ++t)
                workers.emplace_back(&Counters::work, this, t);
        } catch (const std::system_error&) {
        }
    }
    ~Counters() { join(); }
    Counters(const Counters&) = delete;
    Counters& operator=(const Counters&) = delete;

    std::size_t size() const { return workers.size(); }
    void join()
    {
        queue.close();
        for (std::thread& worker : workers)
            if (worker.joinable())
                worker.join();
    }
    /// Every thread's counts merged into one, each thread's freed once merged.
    WordCounter merged()
    {
        WordCounter all = std::move(shared);
        for (WordCounter& counts : partial) {
            all.merge(counts);
            counts = WordCounter();
        }
        return all;
    }

    std::atomic<bool> failed {false};

private:
    void work(unsigned t)
    {
        while (auto unit = queue.pop()) {
            if (!failed) {
                try {
                    unit->countInto(partial[t]);
                    // Each thread's words of other bytes would each grow towards all of them:
                    // past a few MB they join the shared ones.
                    if (partial[t].otherWords() > sharedAfter) {
                        std::lock_guard lock(sharing);
                        shared.takeOtherWords(partial[t]);
                    }
                } catch (const std::bad_alloc&) {
                    failed = true;
                }
            }
            queue.giveBack(std::move(unit));
        }
    }

    static constexpr std::size_t sharedAfter = 1 << 18;
    UnitQueue& queue;
    std::vector<WordCounter> partial;
    std::mutex sharing;
    WordCounter shared;
    std::vector<std::thread> workers;
};

/// Threads counting for an export asked for `threads`: none (the reading thread counts) for
/// one, else at most maximumCountingThreads, and for a plain file of known size one per unit
/// it fills.
unsigned countingThreads(unsigned threads, const InputStream& input)
{
    if (threads <= 1)
        return 0;
    std::uint64_t limit = maximumCountingThreads;
    if (!input.compressed() && input.size() != 0)
        limit = std::min<std::uint64_t>(limit, (input.size() + unitCapacity - 1) / unitCapacity);
    return static_cast<unsigned>(std::clamp<std::uint64_t>(threads, 1, std::max<std::uint64_t>(limit, 1)));
}

/// The export's reading and counting of `source` into `counter`, by `threads` threads, and
/// the number of bases counted. Progress stops short of full: the caller says when the
/// table is done.
ExportResult countSource(const char* source, WordCounter& counter, RunFeedback& feedback, unsigned threads,
    bool& sizeKnown)
{
    const Diagnostics& diagnostics = feedback.diagnostics();
    InputStream input;
    if (auto failed = openSource(input, source, diagnostics))
        return *failed;
    sizeKnown = input.size() != 0;

    // One thread reads and parses; the counting threads, if any, count.
    const unsigned counters = countingThreads(threads, input);
    // A unit being filled, the next one, and some for the counters to work on.
    UnitQueue queue(counters ? 2 * counters + 2 : 2);
    std::optional<Counters> counting;
    if (counters)
        counting.emplace(counters, queue);
    if (counting && counting->size() == 0)
        counting.reset();
    FastaStream::UnitSink sink;
    if (counting) {
        sink = [&queue](std::unique_ptr<CountingUnit> unit) { queue.push(std::move(unit)); };
    } else {
        sink = [&queue, &counter](std::unique_ptr<CountingUnit> unit) {
            unit->countInto(counter);
            queue.giveBack(std::move(unit));
        };
    }
    FastaStream fasta(source, sink, [&queue] { return queue.take(); }, diagnostics);
    const std::optional<ExportResult> stopped = feedAll(input, fasta, feedback, counting ? &counting->failed : nullptr);
    if (counting) {
        counting->join();
        if (counting->failed)
            return outOfMemory(source, diagnostics);
    }
    if (stopped)
        return *stopped;

    if (auto failed = readFailure(source, input, fasta, diagnostics, true))
        return *failed;
    if (counting)
        counter = counting->merged();
    ExportResult result;
    result.status = ExportStatus::Exported;
    result.genes = fasta.geneCount();
    result.bases = static_cast<std::int64_t>(fasta.sequenceLength());
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

ExportResult exportFastaToDTable(const char* source, const char* destination, RunFeedback& feedback, unsigned threads)
{
    if (!source || !destination)
        return exportFailure(ExportStatus::MissingPath, "no source or destination file name");
    if (sameFile(source, destination))
        return exportFailure(ExportStatus::DestinationUnwritable,
            quotedPath(destination) + " is the source file itself; it would be overwritten");

    feedback.started();
    FinishedAtExit finished {feedback};
    try {
        CountingTable table(feedback.diagnostics());
        WordCounter counter;
        bool sizeKnown = false;
        ExportResult result = countSource(source, counter, feedback, threads, sizeKnown);
        if (!result.ok())
            return result;
        table.setSequenceLength(result.bases);
        const Outcome<CountsWrite> written = table.writeCounts(counter, destination);
        switch (written.status) {
        case CountsWrite::Written:
            break;
        case CountsWrite::Unwritable:
            return exportFailure(ExportStatus::DestinationUnwritable, "cannot write " + quotedPath(destination) + ": " + written.message);
        case CountsWrite::TooLarge:
            feedback.diagnostics().printf("Error: Not enough memory to write the table of %s\n", source);
            return exportFailure(ExportStatus::OutOfMemory, "cannot export " + quotedPath(source) + ": " + written.message);
        }
        if (sizeKnown)
            feedback.progressed(exportProgressSteps, exportProgressSteps);
        return result;
    } catch (const std::bad_alloc&) {
        return outOfMemory(source, feedback.diagnostics());
    }
}

CountedFasta countFasta(const char* source, RunFeedback& feedback, unsigned threads)
{
    CountedFasta counted;
    if (!source) {
        setResult(counted, exportFailure(ExportStatus::MissingPath, "no source file name"));
        return counted;
    }

    feedback.started();
    FinishedAtExit finished {feedback};
    counted.table = CountingTable(feedback.diagnostics());
    try {
        WordCounter counter;
        bool sizeKnown = false;
        setResult(counted, countSource(source, counter, feedback, threads, sizeKnown));
        if (counted.ok()) {
            counted.table.takeCounts(counter);
            counted.table.setSequenceLength(counted.bases);
            if (sizeKnown)
                feedback.progressed(exportProgressSteps, exportProgressSteps);
        }
    } catch (const std::bad_alloc&) {
        counted.table = CountingTable();
        setResult(counted, outOfMemory(source, feedback.diagnostics()));
    }
    return counted;
}

namespace {

/// countFastaRecords once its run has started.
CountedRecords countRecords(const char* source, std::size_t maxRecords, RunFeedback& feedback)
{
    CountedRecords counted;
    const Diagnostics& diagnostics = feedback.diagnostics();
    InputStream input;
    if (auto failed = openSource(input, source, diagnostics)) {
        setResult(counted, *failed);
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
    std::optional<ExportResult> failed = feedAll(input, fasta, feedback);
    takeCounted();
    if (!failed)
        failed = readFailure(source, input, fasta, diagnostics, false);
    if (failed) {
        setResult(counted, *failed);
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
    counted.status = ExportStatus::Exported;
    counted.genes = fasta.geneCount();
    counted.bases = static_cast<std::int64_t>(fasta.sequenceLength());
    return counted;
}

} // namespace

CountedRecords countFastaRecords(const char* source, std::size_t maxRecords, RunFeedback& feedback)
{
    CountedRecords counted;
    if (!source) {
        setResult(counted, exportFailure(ExportStatus::MissingPath, "no source file name"));
        return counted;
    }

    feedback.started();
    FinishedAtExit finished {feedback};
    try {
        return countRecords(source, maxRecords, feedback);
    } catch (const std::bad_alloc&) {
        setResult(counted, outOfMemory(source, feedback.diagnostics()));
        return counted;
    }
}
