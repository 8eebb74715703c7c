// Telling the inputs apart by their first bytes, without consuming what can be read only once.

#include "export/InputKind.h"

#include "base/Numbers.h"
#include "export/Export.h"
#include "sequence/FastaStream.h"
#include "sequence/InputStream.h"

#include <algorithm>
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

bool isDigit(unsigned char c)
{
    return c >= '0' && c <= '9';
}

/// Text a table's start is told by at most: its four header lines and the line after them.
constexpr std::size_t tableStartLimit = 64 << 10;

/// Whether `line` (without its line end) is a whole decimal integer: an optional sign, then
/// digits alone, a CR at the end allowed.
bool isIntegerLine(std::string_view line)
{
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    if (!line.empty() && (line.front() == '+' || line.front() == '-'))
        line.remove_prefix(1);
    return !line.empty() && std::all_of(line.begin(), line.end(), [](char c) { return isDigit(static_cast<unsigned char>(c)); });
}

/// What a table's start in `text` (its first bytes, from its first one that is no blank)
/// says: yes when four lines of whole integers are followed by a line starting as a record's
/// "*****" does or by the end (`ended`), no when they are not, nothing while more text is
/// needed.
std::optional<bool> startsAsTable(std::string_view text, bool ended)
{
    if (!text.empty() && !isDigit(static_cast<unsigned char>(text[0])) && text[0] != '+' && text[0] != '-')
        return false;
    for (int line = 0; line < 5; ++line) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos && !ended)
            return text.size() >= tableStartLimit ? std::optional<bool>(false) : std::nullopt;
        const std::string_view current = text.substr(0, end);
        if (line == 4)
            return current.starts_with('*'); // a record's marker, perhaps cut short
        if (!isIntegerLine(current))
            return false;
        if (end == std::string_view::npos)
            return line == 3; // the header alone: a table of no record
        text.remove_prefix(end + 1);
        // The header alone, perhaps with the zero byte a table may end with.
        if (line == 3 && (text.empty() || text == std::string_view("\0", 1)) && ended)
            return true;
    }
    return false;
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
    // The text from its first byte that is no blank, after a byte order mark, which the FASTA
    // reader drops; enough of it to tell a table's start.
    std::string text;
    bool seenAny = false, zeroByte = false;
    std::size_t markMatched = 0;
    bool markDecided = false;
    auto look = [&](char c) {
        seenAny = true;
        zeroByte = zeroByte || c == '\0';
        if (!text.empty() || !isBlank(static_cast<unsigned char>(c)))
            text += c;
    };
    char chunk[1024];
    while (text.size() < tableStartLimit) {
        const std::size_t n = input.read(chunk, sizeof chunk);
        if (n == 0)
            break;
        for (std::size_t i = 0; i < n; ++i) {
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
    const bool cutOff = input.status() == ReadStatus::TruncatedGzip && !whole;
    if (input.status() != ReadStatus::Read && !cutOff)
        return Verdict {InputKind::Unknown, "cannot read " + quotedPath(path) + ": " + input.error()};
    const bool ended = input.status() == ReadStatus::Read && whole;
    if (!markDecided && (ended || last))
        for (std::size_t k = 0; k < markMatched; ++k)
            look(byteOrderMark[k]);
    const bool marked = markDecided && markMatched == byteOrderMark.size();
    if (text.empty()) {
        if (!last)
            return std::nullopt;
        if (whole && !seenAny)
            return Verdict {InputKind::Unknown, quotedPath(path) + " is empty"};
        return Verdict {InputKind::Unknown, quotedPath(path) + " is neither a DTable nor a FASTA file"};
    }
    const std::optional<bool> table = startsAsTable(text, ended || last);
    if (!table)
        return std::nullopt;
    if (*table && marked)
        return Verdict {InputKind::Unknown, quotedPath(path) + " is neither a DTable nor a FASTA file"};
    if (*table && input.compressed())
        return Verdict {InputKind::Unknown, quotedPath(path) + " holds a gzip-compressed DTable file; DTable files are read uncompressed"};
    // A zero byte ends a table, but no text.
    if (!*table && zeroByte)
        return Verdict {InputKind::Unknown, quotedPath(path) + " is neither a DTable nor a FASTA file"};
    // Anything else is text for the FASTA reader, which reads what the export reads and says
    // what it cannot.
    return Verdict {*table ? InputKind::DTable : InputKind::Fasta, {}};
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
