// The export: a FASTA file read as a stream and counted into a table file, by one thread or
// several. The words' first-seen order rests on their positions in the whole text, not on
// which thread met them, so every thread count gives the same table.

#include "export/Export.h"

#include "export/CountingTable.h"
#include "sequence/FastaStream.h"
#include "sequence/InputStream.h"

#include <condition_variable>
#include <deque>
#include <mutex>
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

std::string quoted(const char* path)
{
    return std::string("'") + path + "'";
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

} // namespace

ExportResult exportFastaToDTable(const char* source, const char* destination)
{
    RunFeedback quiet;
    return exportFastaToDTable(source, destination, quiet);
}

ExportResult exportFastaToDTable(const char* source, const char* destination, RunFeedback& feedback, unsigned threads)
{
    const Diagnostics& diagnostics = feedback.diagnostics();
    if (!source || !destination)
        return failure(ExportStatus::MissingPath, "no source or destination file name");
    if (sameFile(source, destination))
        return failure(ExportStatus::DestinationUnwritable,
            quoted(destination) + " is the source file itself; it would be overwritten");

    feedback.started();
    struct Finished {
        RunFeedback& feedback;
        ~Finished() { feedback.finished(); }
    } finished {feedback};

    CountingTable table(diagnostics);
    InputStream input;
    if (!input.open(source)) {
        if (input.status() == ReadStatus::CannotOpen)
            diagnostics.printf("Error: Unable to open %s\n", source);
        return failure(ExportStatus::SourceUnreadable, "cannot read " + quoted(source) + ": " + input.error());
    }

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

    std::unique_ptr<char[]> chunk(new char[chunkCapacity]);
    while (std::size_t n = input.read(chunk.get(), chunkCapacity)) {
        fasta.feed(chunk.get(), n);
        // The last twentieth is the merging and writing of the table.
        if (input.size())
            feedback.progressed(static_cast<std::int64_t>(input.consumed() * (exportProgressSteps * 19 / 20) / input.size()),
                exportProgressSteps);
        if (fasta.heldZeroByte())
            break;
    }
    fasta.finish();
    queue.close();
    for (std::thread& worker : workers)
        worker.join();

    if (input.status() != ReadStatus::Read) {
        diagnostics.printf("Error: Unable to read %s: %s\n", source, input.error().c_str());
        return failure(ExportStatus::SourceUnreadable, "cannot read " + quoted(source) + ": " + input.error());
    }
    if (fasta.bytesRead() == 0 && !fasta.heldZeroByte()) {
        diagnostics.printf("Error: Unable to read bytes from %s\n", source);
        return failure(ExportStatus::SourceEmpty, quoted(source) + " is empty");
    }
    diagnostics.printf("Read %llu bytes\n", static_cast<unsigned long long>(fasta.bytesRead()));
    diagnostics.printf("Number of genes in file: %lld\n", static_cast<long long>(fasta.geneCount()));
    diagnostics << fasta.takeGeneLines();
    if (fasta.heldZeroByte())
        return failure(ExportStatus::SourceNotText, quoted(source) + " is not a text file (it holds a zero byte)");
    if (fasta.geneCount() == 0)
        return failure(ExportStatus::SourceNotFasta, quoted(source) + " holds no FASTA header line (a line starting with '>')");

    for (std::size_t t = 1; t < partial.size(); ++t)
        partial[0].merge(partial[t]);
    table.takeCounts(partial[0]);
    table.setSequenceLength(static_cast<std::int64_t>(fasta.sequenceLength()));
    std::string cause;
    if (!table.write(destination, &cause))
        return failure(ExportStatus::DestinationUnwritable, "cannot write " + quoted(destination) + ": " + cause);
    if (input.size())
        feedback.progressed(exportProgressSteps, exportProgressSteps);
    ExportResult result;
    result.status = ExportStatus::Exported;
    result.genes = fasta.geneCount();
    result.bases = table.sequenceLength();
    return result;
}
