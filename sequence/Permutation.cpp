#include "sequence/Permutation.h"

#include "sequence/FastaFile.h"

#include <algorithm>
#include <sys/stat.h>

void Permutation::countWords(const DString& sequence)
{
    WordCounter counter;
    counter.count(sequence.text() ? sequence.text() : "", sequence.length());
    takeCounts(counter);
}

void Permutation::countGenes(const FastaFile& fasta, const Progress& progress)
{
    std::uint64_t total = 0;
    for (std::int64_t i = 0; i < fasta.geneCount(); ++i)
        total += fasta.sequence(i).length();
    WordCounter counter;
    std::uint64_t done = 0;
    std::uint64_t reported = 0;
    for (std::int64_t i = 0; i < fasta.geneCount(); ++i) {
        const DString& sequence = fasta.sequence(i);
        counter.count(sequence.text() ? sequence.text() : "", sequence.length());
        setSequenceLength(this->sequenceLength() + static_cast<std::int64_t>(sequence.length()));
        done += sequence.length();
        if (progress && done - reported >= (std::uint64_t(1) << 22)) {
            progress(done, total);
            reported = done;
        }
    }
    takeCounts(counter);
    if (progress)
        progress(total, total);
}

DString Permutation::reverseComplement(const DString& word)
{
    const std::size_t n = word.length();
    DString result = word.isNull() ? DString("") : DString(word);
    for (std::size_t i = 0; i < n; ++i) {
        char c = word.text()[i];
        char complement = c == 'A' ? 'T' : c == 'T' ? 'A' : c == 'C' ? 'G' : c == 'G' ? 'C' : c;
        result.set(complement, static_cast<std::int64_t>(n - 1 - i));
    }
    return result;
}

void Permutation::takeCounts(WordCounter& counter)
{
    struct Placed {
        std::int32_t bucket;
        std::uint64_t firstKey;
        DString word;
        std::int64_t count;
    };
    std::vector<WordCounter::Word> words = counter.words();
    std::vector<Placed> placed;
    placed.reserve(words.size());
    for (const WordCounter::Word& w : words) {
        char bytes[8];
        for (int i = 0; i < w.length; ++i)
            bytes[i] = static_cast<char>(w.bytes >> (8 * i));
        DString word(bytes, static_cast<std::size_t>(w.length));
        std::int32_t b = bucketOf(word);
        placed.push_back({b, w.firstKey, std::move(word), static_cast<std::int64_t>(w.count)});
    }
    std::sort(placed.begin(), placed.end(), [](const Placed& a, const Placed& b) {
        return a.bucket != b.bucket ? a.bucket < b.bucket : a.firstKey < b.firstKey;
    });
    // Records already in a bucket came before every word counted here.
    std::vector<std::size_t> known = bucketSizes();
    for (Placed& p : placed)
        addCounted(p.bucket, known[static_cast<std::size_t>(p.bucket)], std::move(p.word), p.count);
    counter.clear();
}

namespace {

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

} // namespace

ExportResult exportFastaToDTable(const char* source, const char* destination, const ExportProgress& progress)
{
    if (!source || !destination)
        return failure(ExportStatus::MissingPath, "no source or destination file name");
    if (sameFile(source, destination))
        return failure(ExportStatus::DestinationUnwritable,
            quoted(destination) + " is the source file itself; it would be overwritten");
    // Reading is about half of the work, counting most of the rest.
    FastaFile fasta;
    Permutation table;
    if (progress) {
        fasta.setProgress([&progress](std::uint64_t done, std::uint64_t total) {
            if (total)
                progress(0.5 * static_cast<double>(done) / static_cast<double>(total));
        });
    }
    fasta.parse(source);
    switch (fasta.readStatus()) {
    case ReadStatus::Read:
        break;
    case ReadStatus::NoPath:
        return failure(ExportStatus::MissingPath, "no source file name");
    default:
        return failure(ExportStatus::SourceUnreadable, "cannot read " + quoted(source) + ": " + fasta.readError());
    }
    if (fasta.contents()->length() == 0 && !fasta.heldZeroByte())
        return failure(ExportStatus::SourceEmpty, quoted(source) + " is empty");
    if (fasta.heldZeroByte())
        return failure(ExportStatus::SourceNotText, quoted(source) + " is not a text file (it holds a zero byte)");
    if (fasta.geneCount() == 0)
        return failure(ExportStatus::SourceNotFasta, quoted(source) + " holds no FASTA header line (a line starting with '>')");

    table.countGenes(fasta, [&progress](std::uint64_t done, std::uint64_t total) {
        if (progress && total)
            progress(0.55 + 0.4 * static_cast<double>(done) / static_cast<double>(total));
    });
    std::string cause;
    if (!table.write(destination, &cause))
        return failure(ExportStatus::DestinationUnwritable, "cannot write " + quoted(destination) + ": " + cause);
    if (progress)
        progress(1.0);
    ExportResult result;
    result.status = ExportStatus::Exported;
    result.genes = fasta.geneCount();
    result.bases = table.sequenceLength();
    return result;
}
