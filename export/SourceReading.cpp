// What every reading of a FASTA source shares: opening it, feeding it to the stream reader,
// and the failures the export reports, with their diagnostic lines.

#include "export/SourceReading.h"

#include <memory>

ExportResult exportFailure(ExportStatus status, std::string message)
{
    ExportResult result;
    result.status = status;
    result.message = std::move(message);
    return result;
}

void setResult(ExportResult& counted, ExportResult result)
{
    counted = std::move(result);
}

std::optional<ExportResult> openSource(InputStream& input, const char* source, const Diagnostics& diagnostics)
{
    if (input.open(source))
        return std::nullopt;
    if (input.status() == ReadStatus::CannotOpen)
        diagnostics.printf("Error: Unable to open %s\n", source);
    return exportFailure(ExportStatus::SourceUnreadable, "cannot read " + quotedPath(source) + ": " + input.error());
}

std::optional<ExportResult> feedAll(InputStream& input, FastaStream& fasta, RunFeedback& feedback,
    const std::atomic<bool>* stop)
{
    std::unique_ptr<char[]> chunk(new char[chunkCapacity]);
    bool stopAsked = false;
    while (std::size_t n = input.read(chunk.get(), chunkCapacity)) {
        fasta.feed(chunk.get(), n);
        if (input.size())
            feedback.progressed(static_cast<std::int64_t>(input.consumed() * (exportProgressSteps * 19 / 20) / input.size()),
                exportProgressSteps);
        stopAsked = feedback.stopAsked();
        if (fasta.heldZeroByte() || (stop && *stop) || stopAsked)
            break;
    }
    fasta.finish();
    if (stopAsked)
        return exportFailure(ExportStatus::Stopped, "stopped before the end of the file");
    return std::nullopt;
}

std::optional<ExportResult> readFailure(const char* source, const InputStream& input, FastaStream& fasta,
    const Diagnostics& diagnostics, bool summary)
{
    if (input.status() != ReadStatus::Read) {
        diagnostics.printf("Error: Unable to read %s: %s\n", source, input.error().c_str());
        return exportFailure(ExportStatus::SourceUnreadable, "cannot read " + quotedPath(source) + ": " + input.error());
    }
    if (fasta.bytesRead() == 0 && !fasta.heldZeroByte()) {
        diagnostics.printf("Error: Unable to read bytes from %s\n", source);
        return exportFailure(ExportStatus::SourceEmpty, quotedPath(source) + " is empty");
    }
    if (summary) {
        diagnostics.printf("Read %llu bytes\n", static_cast<unsigned long long>(fasta.bytesRead()));
        diagnostics.printf("Number of genes in file: %lld\n", static_cast<long long>(fasta.geneCount()));
        diagnostics << fasta.takeGeneLines();
    }
    if (fasta.heldZeroByte())
        return exportFailure(ExportStatus::SourceNotText, quotedPath(source) + " is not a text file (it holds a zero byte)");
    if (fasta.geneCount() == 0)
        return exportFailure(ExportStatus::SourceNotFasta, quotedPath(source) + " holds no FASTA header line (a line starting with '>')");
    return std::nullopt;
}

ExportResult outOfMemory(const char* source, const Diagnostics& diagnostics)
{
    diagnostics.printf("Error: Not enough memory to count %s\n", source);
    return exportFailure(ExportStatus::OutOfMemory, "not enough memory to count " + quotedPath(source));
}
