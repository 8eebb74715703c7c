#include "TestSupport.h"

#include "export/StreamCopies.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

/// A FIFO in `dir` that a thread of its own fills with `bytes` once a reader opens it.
class FilledFifo {
public:
    FilledFifo(const TempDir& dir, const std::string& name, std::string bytes)
        : path(dir.file(name))
    {
        EXPECT_EQ(::mkfifo(path.c_str(), 0600), 0);
        writer = std::thread([this, bytes = std::move(bytes)] {
            writeAndClose(::open(path.c_str(), O_WRONLY), bytes);
        });
    }
    ~FilledFifo() { writer.join(); }

    std::string path;

private:
    std::thread writer;
};

} // namespace

TEST(StreamCopies, AStreamIsReadOnceAndReadAgainFromItsCopy)
{
    TempDir dir;
    ::signal(SIGPIPE, SIG_IGN);
    std::string bytes;
    for (int i = 0; i < 40000; ++i) // more than one read's worth
        bytes += ">r" + std::to_string(i) + "\nACGTACGTTTGA\n";
    FilledFifo fifo(dir, "family.fa", bytes);
    StreamCopies streams;
    ASSERT_EQ(streams.take(fifo.path), "");
    ASSERT_EQ(streams.take(fifo.path), ""); // taken already: not opened again
    const std::string source = streams.source(fifo.path);
    EXPECT_NE(source, fifo.path);
    EXPECT_EQ(readBytes(source), bytes);
    EXPECT_EQ(readBytes(source), bytes);
    // Messages name the path given, and only where the copy's path stands whole.
    EXPECT_EQ(streams.told("cannot read '" + source + "': x, not " + source + "7"),
        "cannot read '" + fifo.path + "': x, not " + source + "7");

    // Regular files, folders and missing paths are their readers' to read.
    writeBytes(dir.file("plain.fa"), ">a\nACGT\n");
    for (const std::string& path : {dir.file("plain.fa"), dir.path().string(), dir.file("missing.fa")}) {
        EXPECT_EQ(streams.take(path), "");
        EXPECT_EQ(streams.source(path), path);
    }
    EXPECT_EQ(StreamCopies().source("-"), "/dev/stdin");
}

TEST(StreamCopies, StreamsOfNoTextOrBeyondTheLimitAreRefusedWithoutReadingOn)
{
    TempDir dir;
    ::signal(SIGPIPE, SIG_IGN);
    // /dev/zero never ends: its first zero byte ends the reading.
    StreamCopies streams;
    EXPECT_EQ(streams.take("/dev/zero"), "'/dev/zero' is neither a DTable nor a FASTA file");
    {
        FilledFifo fifo(dir, "binary", std::string("\n\x01\x02\0\0\0", 6) + std::string(100000, 'A'));
        EXPECT_EQ(streams.take(fifo.path), "'" + fifo.path + "' is neither a DTable nor a FASTA file");
    }
    // A table ends with a zero byte, gzip data hold them: both are read whole.
    for (const std::string& bytes : {std::string("10000\r\n0\r\n0\r\n0\r\n\0", 17), gzipBytes(">a\nACGT\n")}) {
        FilledFifo fifo(dir, "input" + std::to_string(bytes.size()), bytes);
        StreamCopies reading;
        ASSERT_EQ(reading.take(fifo.path), "");
        EXPECT_EQ(readBytes(reading.source(fifo.path)), bytes);
    }
    // Beyond the limit, the reading stops with one line.
    FilledFifo large(dir, "large.fa", std::string(3 << 20, 'A'));
    StreamCopies limited;
    limited.setLimit(1 << 20);
    EXPECT_EQ(limited.take(large.path), "cannot read '" + large.path
            + "': it holds more than 1 MB, more than can be held in memory to be read again; give it as a file");
}
