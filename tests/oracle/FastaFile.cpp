// The whole-file FASTA reader, written the plain way: the file is read whole with zlib's
// gzread, then cut into lines, and the lines into genes. Nothing here is shared with the
// streaming reader it is checked against.

#include "oracle/FastaFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace {

/// A whole file in memory, inflated when it was gzip-compressed, or why it could not be read.
struct WholeFile {
    std::unique_ptr<char[]> data; ///< at least size + 1 bytes, from new[]
    std::size_t size = 0;
    ReadStatus status = ReadStatus::Read;
    std::string error;
};

WholeFile failedRead(ReadStatus status, std::string error)
{
    WholeFile whole;
    whole.status = status;
    whole.error = std::move(error);
    return whole;
}

/// zlib's message without the "<fd:N>: " it puts in front.
std::string zlibMessage(const char* message)
{
    const char* colon = message ? std::strstr(message, ": ") : nullptr;
    return colon ? colon + 2 : message ? message : "";
}

/// Reads all of the file at `path`. gzread inflates a file that starts with the gzip magic,
/// member after member, and hands any other file over as it is.
WholeFile readWhole(const char* path)
{
    int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return failedRead(ReadStatus::CannotOpen, std::strerror(errno));
    struct stat info {};
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        std::string why = std::strerror(S_ISDIR(info.st_mode) ? EISDIR : errno);
        ::close(fd);
        return failedRead(ReadStatus::CannotOpen, why);
    }
    gzFile file = gzdopen(fd, "rb");
    if (!file) {
        ::close(fd);
        return failedRead(ReadStatus::OutOfMemory, "out of memory");
    }
    gzbuffer(file, 1 << 17);

    constexpr unsigned step = 1 << 20;
    WholeFile whole;
    std::size_t capacity = 0;
    for (;;) {
        if (capacity - whole.size < step + 1) {
            std::size_t grown = capacity ? capacity * 2 : 4 * static_cast<std::size_t>(step);
            char* bigger = new (std::nothrow) char[grown];
            if (!bigger) {
                gzclose(file);
                return failedRead(ReadStatus::OutOfMemory, "out of memory");
            }
            if (whole.size)
                std::memcpy(bigger, whole.data.get(), whole.size);
            whole.data.reset(bigger);
            capacity = grown;
        }
        int n = gzread(file, whole.data.get() + whole.size, step);
        if (n <= 0)
            break;
        whole.size += static_cast<std::size_t>(n);
    }
    // gzread ends a truncated stream as if at its end; only gzerror tells the two apart.
    int code = Z_OK;
    const char* message = gzerror(file, &code);
    if (code == Z_ERRNO)
        whole = failedRead(ReadStatus::ReadError, zlibMessage(message));
    else if (code == Z_BUF_ERROR)
        whole = failedRead(ReadStatus::TruncatedGzip, "the gzip stream is truncated");
    else if (code == Z_DATA_ERROR)
        whole = failedRead(ReadStatus::CorruptGzip, "corrupt gzip data (" + zlibMessage(message) + ")");
    else if (code == Z_MEM_ERROR)
        whole = failedRead(ReadStatus::OutOfMemory, "out of memory");
    else if (code != Z_OK)
        whole = failedRead(ReadStatus::ReadError, zlibMessage(message));
    gzclose(file);
    return whole;
}

/// Text mode on reading: every CR directly followed by LF is dropped. Returns the new size.
std::size_t dropCarriageReturnsBeforeLineFeeds(char* data, std::size_t size)
{
    std::size_t out = 0;
    for (std::size_t in = 0; in < size; ++in) {
        if (data[in] == '\r' && in + 1 < size && data[in + 1] == '\n')
            continue;
        data[out++] = data[in];
    }
    return out;
}

/// The lines of `text`: CR and LF both end a line, and empty lines are left out.
std::vector<std::string_view> splitLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == '\n' || text[i] == '\r') {
            if (i > start)
                lines.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    return lines;
}

bool startsSequence(char first)
{
    return std::string_view("ACGTNacgtn").find(first) != std::string_view::npos;
}

char raised(char c)
{
    return c == 'a' ? 'A' : c == 'c' ? 'C' : c == 'g' ? 'G' : c == 't' ? 'T' : c;
}

/// The name and numbers of a header line, as "> %s from %i to %i, size %i" scans them.
void scanHeader(std::string_view line, Gene& gene)
{
    const std::string text(line); // sscanf wants the terminating zero
    int nameStart = -1;
    int nameEnd = -1;
    std::sscanf(text.c_str(), "> %n%*s%n", &nameStart, &nameEnd);
    if (nameEnd < 0)
        return;
    // Names are kept up to their first 1000 bytes.
    gene.name = DString(text.data() + nameStart, std::min<std::size_t>(static_cast<std::size_t>(nameEnd - nameStart), 1000));
    std::sscanf(text.c_str() + nameEnd, " from %i to %i, size %i", &gene.from, &gene.to, &gene.size);
}

} // namespace

std::int64_t TextFile::read(const char* path)
{
    heldZeroByte_ = false;
    if (!path) {
        readStatus_ = ReadStatus::NoPath;
        readError_ = "no file name";
        contents_.reset();
        return 0;
    }
    WholeFile whole = readWhole(path);
    readStatus_ = whole.status;
    readError_ = whole.error;
    if (whole.status != ReadStatus::Read) {
        contents_.reset();
        if (whole.status == ReadStatus::CannotOpen)
            diagnostics.printf("Error: Unable to open %s\n", path);
        else
            diagnostics.printf("Error: Unable to read %s: %s\n", path, whole.error.c_str());
        return 0;
    }
    // A UTF-8 byte order mark at the start is not part of the text.
    if (whole.size >= 3 && std::memcmp(whole.data.get(), "\xEF\xBB\xBF", 3) == 0) {
        std::memmove(whole.data.get(), whole.data.get() + 3, whole.size - 3);
        whole.size -= 3;
    }
    const std::size_t delivered = dropCarriageReturnsBeforeLineFeeds(whole.data.get(), whole.size);
    whole.data[delivered] = '\0';
    if (delivered == 0)
        diagnostics.printf("Error: Unable to read bytes from %s\n", path);
    else
        diagnostics.printf("Read %zu bytes\n", delivered);
    // The text ends at its first zero byte.
    const std::size_t length = std::strlen(whole.data.get());
    heldZeroByte_ = length < delivered;
    contents_ = std::make_unique<DString>(DString::adopt(whole.data.release(), length));
    return static_cast<std::int64_t>(length);
}

int FastaFile::parse(const char* path)
{
    if (read(path) == 0)
        return 0;
    const std::vector<std::string_view> lines = splitLines(contents_->view());

    std::size_t headers = 0;
    for (std::string_view line : lines)
        if (line[0] == '>')
            ++headers;
    const std::size_t expected = genes.size() + headers;
    diagnostics.printf("Number of genes in file: %zu\n", expected);
    genes.reserve(expected);

    std::string sequence; // of the gene being read
    bool inGene = false;
    bool warned = false;
    auto endGene = [&] {
        if (inGene && !sequence.empty())
            genes.back().sequence = DString(sequence.data(), sequence.size());
        sequence.clear();
    };
    for (std::string_view line : lines) {
        if (line[0] == '>') {
            endGene();
            if (genes.size() >= expected) {
                diagnostics << "Critical error: gene buffer overrun\n";
                return -1;
            }
            Gene& gene = genes.emplace_back();
            scanHeader(line, gene);
            inGene = true;
            diagnostics.printf("Read Gene %zu: %s\n", genes.size() - 1, gene.name.text());
        } else if (startsSequence(line[0])) {
            if (inGene) {
                for (char c : line)
                    sequence += raised(c);
            } else if (!warned) {
                warned = true;
                diagnostics.printf("Warning: sequence lines before the first header line of %s are ignored\n", path);
            }
        }
    }
    endGene();
    return 0;
}
