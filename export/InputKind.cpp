// Telling the inputs apart by their first bytes, without consuming what can be read only once.

#include "export/InputKind.h"

#include "base/Numbers.h"
#include "export/Export.h"
#include "sequence/FastaStream.h"
#include "sequence/InputStream.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {

/// Raw bytes read at first, and at most: a gzip header with a long name or comment, or a
/// long run of blank lines, makes the reading go on, four times further each round.
constexpr std::size_t firstRead = 4 << 10;
constexpr std::size_t lastRead = 1 << 20;

/// Closes a file descriptor when it goes out of scope.
struct Descriptor {
    int fd;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

bool isFastaStart(unsigned char c)
{
    return c == '>' || isSequenceStart(c);
}

bool isDigit(unsigned char c)
{
    return c >= '0' && c <= '9';
}

/// What the content of the raw bytes `raw` says, when it says anything yet: `whole` tells
/// that they are the whole file, `last` that no more of it will be read. Nothing comes back
/// while more bytes are needed.
struct Verdict {
    InputKind kind;
    std::string cause;
};

std::optional<Verdict> judge(const char* path, std::string_view raw, bool whole, bool last)
{
    InputStream input;
    input.openMemory(raw.data(), raw.size());
    // The first non-blank byte and the one after it (a sign needs its digit), after a byte
    // order mark, which the FASTA reader drops.
    char text[2];
    std::size_t held = 0;
    bool seenAny = false;
    auto look = [&](char c) {
        seenAny = true;
        if (held < 2 && (held || !isBlank(static_cast<unsigned char>(c))))
            text[held++] = c;
    };
    std::size_t markMatched = 0;
    bool markDecided = false;
    char chunk[1024];
    while (held < 2) {
        const std::size_t n = input.read(chunk, sizeof chunk);
        if (n == 0)
            break;
        for (std::size_t i = 0; i < n && held < 2; ++i) {
            if (!markDecided && chunk[i] == byteOrderMark[markMatched]) {
                markDecided = ++markMatched == byteOrderMark.size();
                continue;
            }
            if (!markDecided) {
                markDecided = true;
                for (std::size_t k = 0; k < markMatched; ++k)
                    look(byteOrderMark[k]);
            }
            look(chunk[i]);
        }
    }
    if (!markDecided && (input.status() != ReadStatus::Read || last))
        for (std::size_t k = 0; k < markMatched; ++k)
            look(byteOrderMark[k]);
    const bool marked = markDecided && markMatched == byteOrderMark.size();
    const bool signAlone = held == 1 && (text[0] == '+' || text[0] == '-');
    if (held == 0 || signAlone) {
        // The content ended before it told anything. A gzip stream cut off where the
        // reading stopped is no fault of the file's.
        const bool cutOff = input.status() == ReadStatus::TruncatedGzip && !whole;
        if (input.status() != ReadStatus::Read && !cutOff)
            return Verdict {InputKind::Unknown, "cannot read " + quotedPath(path) + ": " + input.error()};
        if (!last)
            return std::nullopt;
        if (whole && !seenAny)
            return Verdict {InputKind::Unknown, quotedPath(path) + " is empty"};
        return Verdict {InputKind::Unknown, quotedPath(path) + " is neither a DTable nor a FASTA file"};
    }
    const auto first = static_cast<unsigned char>(text[0]);
    const bool number = isDigit(first) || ((first == '+' || first == '-') && isDigit(static_cast<unsigned char>(text[1])));
    if (number && marked)
        return Verdict {InputKind::Unknown, quotedPath(path) + " is neither a DTable nor a FASTA file"};
    if (number && input.compressed())
        return Verdict {InputKind::Unknown, quotedPath(path) + " holds a gzip-compressed DTable file; DTable files are read uncompressed"};
    if (number)
        return Verdict {InputKind::DTable, {}};
    if (isFastaStart(first))
        return Verdict {InputKind::Fasta, {}};
    return Verdict {InputKind::Unknown, quotedPath(path) + " is neither a DTable nor a FASTA file"};
}

} // namespace

InputKindResult inputKindOf(const char* path)
{
    auto told = [](InputKind kind) {
        InputKindResult result;
        result.kind = kind;
        return result;
    };
    auto unusable = [](std::string message) {
        InputKindResult result;
        result.status = KindStatus::Unusable;
        result.message = std::move(message);
        return result;
    };
    if (!path)
        return unusable("no file name");
    if (std::string_view(path) == "-")
        return told(InputKind::Fasta);
    // Non-blocking, so that opening a FIFO does not wait for a writer; regular files read
    // as they always do.
    Descriptor file {::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
    struct stat info;
    if (file.fd < 0 || ::fstat(file.fd, &info) != 0)
        return unusable("cannot read " + quotedPath(path) + ": " + std::strerror(errno));
    if (S_ISDIR(info.st_mode))
        return unusable("cannot read " + quotedPath(path) + ": " + std::strerror(EISDIR));
    if (!S_ISREG(info.st_mode))
        return told(InputKind::Fasta);

    std::string raw;
    for (std::size_t limit = firstRead;; limit *= 4) {
        std::size_t filled = raw.size();
        raw.resize(limit);
        bool whole = false;
        while (filled < limit) {
            const ssize_t n = ::read(file.fd, raw.data() + filled, limit - filled);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return unusable("cannot read " + quotedPath(path) + ": " + std::strerror(errno));
            if (n == 0) {
                whole = true;
                break;
            }
            filled += static_cast<std::size_t>(n);
        }
        raw.resize(filled);
        if (std::optional<Verdict> verdict = judge(path, raw, whole, whole || limit >= lastRead))
            return verdict->kind == InputKind::Unknown ? unusable(std::move(verdict->cause)) : told(verdict->kind);
    }
}
