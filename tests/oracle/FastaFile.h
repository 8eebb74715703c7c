#pragma once

#include "base/DString.h"
#include "base/Diagnostics.h"
#include "sequence/InputStream.h" // ReadStatus only: the reading itself is zlib's gzread

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

/// One sequence of a FASTA file: the name from its header line, its sequence lines joined,
/// and the three numbers of a "from %i to %i, size %i" header (0 where absent).
struct Gene {
    DString name = DString("");
    DString sequence;
    std::int32_t from = 0;
    std::int32_t to = 0;
    std::int32_t size = 0;
};

/// A whole text file read into one DString through zlib's gzread, which inflates gzip files
/// member after member and reads every other file as it is. Line ends are taken as text
/// mode gives them: CR LF arrives as LF; a UTF-8 byte order mark at the start is dropped.
class TextFile {
public:
    /// A file whose reading reports to `diagnostics`.
    explicit TextFile(Diagnostics diagnostics = {})
        : diagnostics(diagnostics)
    {
    }
    TextFile(const TextFile&) = delete;
    TextFile& operator=(const TextFile&) = delete;
    virtual ~TextFile() = default;

    /// Reads the file at `path` into contents(); returns the length of contents, 0 when
    /// nothing was read. Writes "Read %i bytes" or the failure to the diagnostic stream.
    virtual std::int64_t read(const char* path);

    /// The text last read, or null before the first read.
    const DString* contents() const { return contents_.get(); }
    /// How the last read went, and its cause for front ends.
    ReadStatus readStatus() const { return readStatus_; }
    const std::string& readError() const { return readError_; }
    /// True when the text read held a zero byte, at which contents() ends.
    bool heldZeroByte() const { return heldZeroByte_; }

protected:
    Diagnostics diagnostics;
    std::unique_ptr<DString> contents_;
    ReadStatus readStatus_ = ReadStatus::NoPath;
    std::string readError_;
    bool heldZeroByte_ = false;
};

/// A FASTA file parsed into genes. A line starting with ">" starts a gene, named by the first
/// word after it cut to 1000 bytes; a line starting with A, C, G, T or N (either case) is
/// sequence, with a, c, g and t raised to upper case; every other line is ignored. CR and LF
/// both end lines, and empty lines vanish.
class FastaFile : public TextFile {
public:
    using TextFile::TextFile;
    /// Reads and parses `path`; 0 when done, -1 when more headers were met than counted.
    int parse(const char* path);

    std::int64_t geneCount() const { return static_cast<std::int64_t>(genes.size()); }
    const Gene& gene(std::int64_t index) const { return genes[static_cast<std::size_t>(index)]; }
    const DString& name(std::int64_t index) const { return gene(index).name; }
    const DString& sequence(std::int64_t index) const { return gene(index).sequence; }

private:
    std::vector<Gene> genes;
};
