#include "TestSupport.h"

#include "sequence/InputStream.h"

#include <gtest/gtest.h>

#include <random>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

std::vector<Inflater> inflaters()
{
    std::vector<Inflater> all {Inflater::Zlib};
    if (isalAvailable())
        all.push_back(Inflater::Isal);
    return all;
}

/// Everything the stream gives, read in chunks of `step` bytes.
std::string drain(InputStream& stream, std::size_t step)
{
    std::string out;
    std::string chunk(step, '\0');
    while (std::size_t n = stream.read(chunk.data(), step))
        out.append(chunk.data(), n);
    return out;
}

std::string randomText(std::size_t size)
{
    std::mt19937 random(5);
    std::string text;
    while (text.size() < size)
        text += random() % 61 == 0 ? '\n' : "ACGTacgtN"[random() % 9];
    return text;
}

} // namespace

TEST(InputStream, InflatesSingleAndConcatenatedMembersWithEitherInflater)
{
    const std::string text = randomText(3 << 20); // more than one input buffer
    const std::string one = gzipBytes(text);
    const std::string two = gzipBytes(text.substr(0, 1000)) + gzipBytes("") + gzipBytes(text.substr(1000));
    for (Inflater inflater : inflaters()) {
        for (const std::string* compressed : {&one, &two}) {
            InputStream stream;
            stream.openMemory(compressed->data(), compressed->size(), inflater);
            EXPECT_TRUE(stream.compressed());
            EXPECT_EQ(drain(stream, 65536), text);
            EXPECT_EQ(stream.status(), ReadStatus::Read);
        }
        // Reads of a few bytes at a time end inside members and right at their ends.
        const std::string small = text.substr(0, 3000);
        const std::string members = gzipBytes(small.substr(0, 7)) + gzipBytes("") + gzipBytes(small.substr(7));
        for (std::size_t step : {1, 7}) {
            SCOPED_TRACE(step);
            InputStream stream;
            stream.openMemory(members.data(), members.size(), inflater);
            EXPECT_EQ(drain(stream, step), small);
            EXPECT_EQ(stream.status(), ReadStatus::Read);
        }
    }
}

TEST(InputStream, TruncatedAndCorruptGzipFailWithEitherInflater)
{
    const std::string text = randomText(20000);
    const std::string compressed = gzipBytes(text);
    for (Inflater inflater : inflaters()) {
        for (std::size_t cut : {std::size_t(2), std::size_t(10), compressed.size() / 2, compressed.size() - 4,
                 compressed.size() - 1}) {
            SCOPED_TRACE(cut);
            InputStream stream;
            stream.openMemory(compressed.data(), cut, inflater);
            drain(stream, 4096);
            EXPECT_EQ(stream.status(), ReadStatus::TruncatedGzip);
        }
        std::string badCheck = compressed;
        badCheck[badCheck.size() - 6] ^= 0x55; // the CRC of the data
        std::string badMethod = compressed;
        badMethod[2] = 7;
        std::string reservedFlag = compressed; // refused by zlib, passed over by ISA-L alone
        reservedFlag[3] = static_cast<char>(reservedFlag[3] | 0x80);
        std::string reservedInSecond = compressed + compressed;
        reservedInSecond[compressed.size() + 3] = static_cast<char>(reservedInSecond[compressed.size() + 3] | 0x20);
        for (const std::string* broken : {&badCheck, &badMethod, &reservedFlag, &reservedInSecond}) {
            InputStream stream;
            stream.openMemory(broken->data(), broken->size(), inflater);
            drain(stream, 4096);
            EXPECT_EQ(stream.status(), ReadStatus::CorruptGzip);
        }
    }
}

TEST(InputStream, BytesAfterTheLastMemberFailWithEitherInflater)
{
    const std::string text = randomText(3 << 20);
    const std::string member = gzipBytes(text);
    const std::string small = gzipBytes(text.substr(0, 500));
    const struct {
        const char* name;
        std::string bytes;
        ReadStatus status;
    } cases[] = {
        {"a line of text", member + "garbage\n", ReadStatus::TrailingBytes},
        {"zero padding", member + std::string(512, '\0'), ReadStatus::TrailingBytes},
        {"one zero byte", member + std::string(1, '\0'), ReadStatus::TrailingBytes},
        {"first magic byte, then others", member + std::string("\x1f\x00\x00\x00", 4), ReadStatus::TrailingBytes},
        {"after two members", small + member + "x", ReadStatus::TrailingBytes},
        {"after an empty member", member + gzipBytes("") + "\r\n", ReadStatus::TrailingBytes},
        // A member cut short after its first byte or its header.
        {"first magic byte alone", member + "\x1f", ReadStatus::TruncatedGzip},
        {"a member's header alone", member + small.substr(0, 10), ReadStatus::TruncatedGzip},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeBytes(dir.file("trailing.gz"), c.bytes);
        for (Inflater inflater : inflaters()) {
            InputStream memory;
            memory.openMemory(c.bytes.data(), c.bytes.size(), inflater);
            drain(memory, 65536);
            EXPECT_EQ(memory.status(), c.status);
            // From a file, the member ends in a later input buffer than the first.
            InputStream file;
            ASSERT_TRUE(file.open(dir.file("trailing.gz").c_str(), inflater));
            drain(file, 65536);
            EXPECT_EQ(file.status(), c.status);
            if (c.status == ReadStatus::TrailingBytes) {
                EXPECT_EQ(file.error(), "bytes after the end of the gzip data");
            }
        }
    }
}

TEST(InputStream, PlainFilesPipesAndFilesThatCannotBeRead)
{
    TempDir dir;
    const std::string text = randomText(5 << 20);
    writeBytes(dir.file("plain.fa"), text);
    InputStream plain;
    ASSERT_TRUE(plain.open(dir.file("plain.fa").c_str()));
    EXPECT_FALSE(plain.compressed());
    EXPECT_EQ(plain.size(), text.size());
    EXPECT_EQ(drain(plain, 1 << 20), text);

    // A pipe has no size and is read to its end.
    ASSERT_EQ(::mkfifo(dir.file("pipe").c_str(), 0600), 0);
    std::thread writer([&] { writeBytes(dir.file("pipe"), gzipBytes(text)); });
    InputStream piped;
    ASSERT_TRUE(piped.open(dir.file("pipe").c_str()));
    EXPECT_EQ(drain(piped, 1 << 16), text);
    EXPECT_EQ(piped.size(), 0u);
    writer.join();

    InputStream missing;
    EXPECT_FALSE(missing.open(dir.file("missing").c_str()));
    EXPECT_EQ(missing.status(), ReadStatus::CannotOpen);
    InputStream folder;
    EXPECT_FALSE(folder.open(dir.path().c_str()));
    EXPECT_EQ(folder.status(), ReadStatus::CannotOpen);

    writeBytes(dir.file("one"), "A");
    InputStream oneByte;
    ASSERT_TRUE(oneByte.open(dir.file("one").c_str()));
    EXPECT_EQ(drain(oneByte, 10), "A");
}
