#include "sequence/InputStream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#ifdef SEQLARK_HAVE_ISAL
#include <isa-l/igzip_lib.h>
#endif

namespace {

constexpr std::size_t inputCapacity = 1 << 20;

ssize_t readSome(int fd, char* into, std::size_t count)
{
    for (;;) {
        ssize_t n = ::read(fd, into, count);
        if (n >= 0 || errno != EINTR)
            return n;
    }
}

} // namespace

bool isalAvailable()
{
#ifdef SEQLARK_HAVE_ISAL
    return true;
#else
    return false;
#endif
}

/// Inflates the raw bytes of one gzip file, member after member.
class InputStream::Decoder {
public:
    enum class Result { Output, NeedInput, MemberEnd, Corrupt };
    virtual ~Decoder() = default;
    /// Starts (or restarts, for the next member) a gzip member.
    virtual void startMember() = 0;
    /// Inflates from [in, in + inSize) into [out, out + outSize); reports what it took and gave.
    virtual Result inflate(const char* in, std::size_t inSize, std::size_t& taken, char* out, std::size_t outSize,
        std::size_t& given, std::string& why)
        = 0;
};

class InputStream::ZlibDecoder : public InputStream::Decoder {
public:
    ZlibDecoder() { inflateInit2(&stream, 15 + 16); }
    ~ZlibDecoder() override { inflateEnd(&stream); }
    ZlibDecoder(const ZlibDecoder&) = delete;
    ZlibDecoder& operator=(const ZlibDecoder&) = delete;
    void startMember() override { inflateReset(&stream); }
    Result inflate(const char* in, std::size_t inSize, std::size_t& taken, char* out, std::size_t outSize,
        std::size_t& given, std::string& why) override
    {
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in));
        stream.avail_in = static_cast<uInt>(std::min<std::size_t>(inSize, 1u << 30));
        stream.next_out = reinterpret_cast<Bytef*>(out);
        stream.avail_out = static_cast<uInt>(std::min<std::size_t>(outSize, 1u << 30));
        uInt inBefore = stream.avail_in;
        uInt outBefore = stream.avail_out;
        int code = ::inflate(&stream, Z_NO_FLUSH);
        taken = inBefore - stream.avail_in;
        given = outBefore - stream.avail_out;
        if (code == Z_STREAM_END)
            return Result::MemberEnd;
        if (code == Z_OK || code == Z_BUF_ERROR)
            return given > 0 ? Result::Output : Result::NeedInput;
        why = stream.msg ? stream.msg : "inflate failed";
        return Result::Corrupt;
    }

private:
    z_stream stream {};
};

#ifdef SEQLARK_HAVE_ISAL
namespace {

/// ISA-L's AVX code returns with the upper halves of the vector registers in use. Until they
/// are cleared, every SSE instruction the thread runs afterwards (all of libm's log10 among
/// them) pays a state-transition penalty: the statistics of an analysis ran three times
/// slower after a gzip input had been read. Clearing them is what compiled AVX code does
/// before it returns.
void clearUpperVectorHalves()
{
#if defined(__x86_64__) || defined(__i386__)
    static const bool hasAvx = __builtin_cpu_supports("avx");
    if (hasAvx)
        __asm__ volatile("vzeroupper" ::: "memory");
#endif
}

} // namespace

class InputStream::IsalDecoder : public InputStream::Decoder {
public:
    IsalDecoder()
        : state(new inflate_state)
    {
        isal_inflate_init(state.get());
        state->crc_flag = ISAL_GZIP;
    }
    void startMember() override
    {
        isal_inflate_reset(state.get());
        state->crc_flag = ISAL_GZIP;
    }
    Result inflate(const char* in, std::size_t inSize, std::size_t& taken, char* out, std::size_t outSize,
        std::size_t& given, std::string& why) override
    {
        state->next_in = reinterpret_cast<std::uint8_t*>(const_cast<char*>(in));
        state->avail_in = static_cast<std::uint32_t>(std::min<std::size_t>(inSize, 1u << 30));
        state->next_out = reinterpret_cast<std::uint8_t*>(out);
        state->avail_out = static_cast<std::uint32_t>(std::min<std::size_t>(outSize, 1u << 30));
        std::uint32_t inBefore = state->avail_in;
        std::uint32_t outBefore = state->avail_out;
        int code = isal_inflate(state.get());
        clearUpperVectorHalves();
        taken = inBefore - state->avail_in;
        given = outBefore - state->avail_out;
        if (code < 0) {
            why = code == ISAL_INCORRECT_CHECKSUM ? "incorrect data check"
                : code == ISAL_INVALID_WRAPPER    ? "invalid gzip header"
                                                  : "invalid compressed data";
            return Result::Corrupt;
        }
        if (state->block_state == ISAL_BLOCK_FINISH)
            return Result::MemberEnd;
        return given > 0 ? Result::Output : Result::NeedInput;
    }

private:
    std::unique_ptr<inflate_state> state;
};
#endif

InputStream::InputStream() = default;

InputStream::~InputStream()
{
    if (fd >= 0)
        ::close(fd);
}

bool InputStream::fail(ReadStatus status, std::string error)
{
    status_ = status;
    error_ = std::move(error);
    return false;
}

bool InputStream::open(const char* path, Inflater inflater)
{
    if (!path)
        return fail(ReadStatus::NoPath, "no file name");
    fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return fail(ReadStatus::CannotOpen, std::strerror(errno));
    struct stat info;
    if (::fstat(fd, &info) != 0)
        return fail(ReadStatus::CannotOpen, std::strerror(errno));
    if (S_ISDIR(info.st_mode))
        return fail(ReadStatus::CannotOpen, std::strerror(EISDIR));
    size_ = S_ISREG(info.st_mode) ? static_cast<std::uint64_t>(info.st_size) : 0;
    input.reset(new (std::nothrow) char[inputCapacity]);
    if (!input)
        return fail(ReadStatus::OutOfMemory, "out of memory");
    status_ = ReadStatus::Read;
    chooseDecoder(inflater);
    return status_ == ReadStatus::Read;
}

void InputStream::openMemory(const char* bytes, std::size_t size, Inflater inflater)
{
    memory = bytes;
    memorySize = size;
    size_ = size;
    status_ = ReadStatus::Read;
    chooseDecoder(inflater);
}

bool InputStream::refill()
{
    if (inputEnded)
        return false;
    if (memory) {
        // The whole of the memory is the input buffer.
        if (inputEnd == memorySize) {
            inputEnded = true;
            return false;
        }
        inputStart = inputEnd;
        inputEnd = memorySize;
        consumed_ = memorySize;
        return true;
    }
    std::size_t kept = inputEnd - inputStart;
    if (kept && inputStart)
        std::memmove(input.get(), input.get() + inputStart, kept);
    inputStart = 0;
    inputEnd = kept;
    ssize_t n = readSome(fd, input.get() + kept, inputCapacity - kept);
    if (n < 0) {
        inputEnded = true;
        return fail(ReadStatus::ReadError, std::strerror(errno));
    }
    if (n == 0) {
        inputEnded = true;
        return false;
    }
    inputEnd += static_cast<std::size_t>(n);
    consumed_ += static_cast<std::uint64_t>(n);
    return true;
}

static const char* inputBytes(const char* memory, const std::unique_ptr<char[]>& input)
{
    return memory ? memory : input.get();
}

bool InputStream::memberHeaderSound()
{
    // The flag byte of a gzip header: its three high bits are reserved and must be clear, as
    // zlib holds them; ISA-L would pass over them.
    while (inputEnd - inputStart < 4 && refill()) {
    }
    if (status_ != ReadStatus::Read || inputEnd - inputStart < 4)
        return true; // a member cut short is told as the decoder meets its end
    const auto flags = static_cast<unsigned char>(inputBytes(memory, input)[inputStart + 3]);
    if ((flags & 0xE0) == 0)
        return true;
    fail(ReadStatus::CorruptGzip, "corrupt gzip data (unknown header flags set)");
    return false;
}

void InputStream::chooseDecoder(Inflater inflater)
{
    // Two bytes tell a gzip stream from plain text.
    while (inputEnd - inputStart < 2 && refill()) {
    }
    if (status_ != ReadStatus::Read)
        return;
    const auto* head = reinterpret_cast<const unsigned char*>(inputBytes(memory, input) + inputStart);
    plain = !(inputEnd - inputStart >= 2 && head[0] == 0x1f && head[1] == 0x8b);
    if (plain || !memberHeaderSound())
        return;
#ifdef SEQLARK_HAVE_ISAL
    if (inflater != Inflater::Zlib) {
        decoder = std::make_unique<IsalDecoder>();
        return;
    }
#else
    (void)inflater;
#endif
    decoder = std::make_unique<ZlibDecoder>();
}

std::size_t InputStream::read(char* into, std::size_t capacity)
{
    if (status_ != ReadStatus::Read || capacity == 0)
        return 0;
    if (plain) {
        if (inputStart == inputEnd && !refill())
            return 0;
        std::size_t n = std::min(capacity, inputEnd - inputStart);
        std::memcpy(into, inputBytes(memory, input) + inputStart, n);
        inputStart += n;
        return n;
    }
    for (;;) {
        if (inMemberEnd) {
            // Between members: the data end, or another member starts with the magic bytes.
            // A lone first magic byte at the end is a member cut short.
            while (inputEnd - inputStart < 2 && refill()) {
            }
            if (status_ != ReadStatus::Read)
                return 0;
            const auto* next = reinterpret_cast<const unsigned char*>(inputBytes(memory, input) + inputStart);
            const std::size_t left = inputEnd - inputStart;
            if (left == 0)
                return 0;
            if (left == 1 && next[0] == 0x1f) {
                fail(ReadStatus::TruncatedGzip, "the gzip stream is truncated");
                return 0;
            }
            if (next[0] != 0x1f || next[1] != 0x8b) {
                fail(ReadStatus::TrailingBytes, "bytes after the end of the gzip data");
                return 0;
            }
            if (!memberHeaderSound())
                return 0;
            decoder->startMember();
            inMemberEnd = false;
        }
        if (inputStart == inputEnd && !refill()) {
            if (status_ == ReadStatus::Read)
                fail(ReadStatus::TruncatedGzip, "the gzip stream is truncated");
            return 0;
        }
        std::size_t taken = 0;
        std::size_t given = 0;
        std::string why;
        Decoder::Result result = decoder->inflate(inputBytes(memory, input) + inputStart, inputEnd - inputStart,
            taken, into, capacity, given, why);
        inputStart += taken;
        if (result == Decoder::Result::Corrupt) {
            fail(ReadStatus::CorruptGzip, "corrupt gzip data (" + why + ")");
            return 0;
        }
        if (result == Decoder::Result::MemberEnd)
            inMemberEnd = true;
        if (given > 0)
            return given;
        if (result == Decoder::Result::NeedInput && taken == 0 && !refill()) {
            if (status_ == ReadStatus::Read)
                fail(ReadStatus::TruncatedGzip, "the gzip stream is truncated");
            return 0;
        }
    }
}
