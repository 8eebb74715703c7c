#include "TestSupport.h"

#include "base/AtomicFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/wait.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

bool noTemporaryFilesIn(const fs::path& folder)
{
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().rfind(".seqlark-", 0) == 0)
            return false;
    return true;
}

mode_t modeOf(const std::string& path)
{
    struct stat info {};
    ::lstat(path.c_str(), &info);
    return info.st_mode;
}

/// Writes 1 MiB to `path` with a file size limit of 64 KiB, past which the kernel sends
/// SIGXFSZ, turned here into the SIGTERM a user would send.
void writeUntilStopped(const std::string& path)
{
    removeTemporaryFilesOnSignals();
    std::signal(SIGXFSZ, [](int) { std::raise(SIGTERM); });
    rlimit limit {};
    limit.rlim_cur = limit.rlim_max = 65536;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    writeFileAtomically(path, std::string(1 << 20, 'x'));
    std::exit(0);
}

} // namespace

TEST(AtomicFile, StreamsIntoFifosPipesAndDevicesInsteadOfReplacingThem)
{
    TempDir dir;
    const std::string fifo = dir.file("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] {
        const int fd = ::open(fifo.c_str(), O_RDONLY);
        char buffer[4096];
        for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
            received.append(buffer, static_cast<std::size_t>(n));
        ::close(fd);
    });
    const std::string table(100000, 'x');
    EXPECT_EQ(writeFileAtomically(fifo, table).status, WriteStatus::Written);
    reader.join();
    EXPECT_EQ(received, table);
    EXPECT_TRUE(S_ISFIFO(modeOf(fifo)));

    // A pipe reached through /proc/self/fd, and a link to it.
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    const std::string procPath = "/proc/self/fd/" + std::to_string(ends[1]);
    fs::create_symlink(procPath, dir.path() / "to-pipe");
    EXPECT_EQ(writeFileAtomically(procPath, "one ").status, WriteStatus::Written);
    EXPECT_EQ(writeFileAtomically(dir.file("to-pipe"), "two").status, WriteStatus::Written);
    ::close(ends[1]);
    char buffer[16] {};
    EXPECT_EQ(::read(ends[0], buffer, sizeof buffer), 7);
    EXPECT_STREQ(buffer, "one two");
    ::close(ends[0]);
    EXPECT_TRUE(fs::is_symlink(dir.path() / "to-pipe"));

    EXPECT_EQ(writeFileAtomically("/dev/null", table).status, WriteStatus::Written);
    EXPECT_TRUE(S_ISCHR(modeOf("/dev/null")));
    EXPECT_TRUE(noTemporaryFilesIn(dir.path()));
}

TEST(AtomicFile, LinksAreFollowedToTheirFileOrReplacedAsAsked)
{
    TempDir dir;
    fs::create_directory(dir.path() / "data");
    writeBytes(dir.file("data/table"), "old");
    fs::create_symlink("data/table", dir.path() / "link");
    fs::create_symlink("link", dir.path() / "link-to-link");
    fs::create_symlink("data/not-yet", dir.path() / "dangling");
    EXPECT_EQ(writeFileAtomically(dir.file("link-to-link"), "new").status, WriteStatus::Written);
    EXPECT_EQ(readBytes(dir.file("data/table")), "new");
    EXPECT_TRUE(fs::is_symlink(dir.path() / "link") && fs::is_symlink(dir.path() / "link-to-link"));
    EXPECT_EQ(writeFileAtomically(dir.file("dangling"), "created").status, WriteStatus::Written);
    EXPECT_EQ(readBytes(dir.file("data/not-yet")), "created");
    EXPECT_TRUE(fs::is_symlink(dir.path() / "dangling"));

    // Replacing: the link goes, what it led to stays.
    EXPECT_EQ(writeFileAtomically(dir.file("link"), "own", LinkPolicy::Replace).status, WriteStatus::Written);
    EXPECT_FALSE(fs::is_symlink(dir.path() / "link"));
    EXPECT_EQ(readBytes(dir.file("link")), "own");
    EXPECT_EQ(readBytes(dir.file("data/table")), "new");

    fs::create_symlink("loop-b", dir.path() / "loop-a");
    fs::create_symlink("loop-a", dir.path() / "loop-b");
    EXPECT_NE(writeFileAtomically(dir.file("loop-a"), "x").status, WriteStatus::Written);
    EXPECT_NE(writeFileAtomically(dir.file("data"), "x").status, WriteStatus::Written);
    EXPECT_TRUE(fs::is_directory(dir.path() / "data"));
    EXPECT_TRUE(noTemporaryFilesIn(dir.path()));
}

TEST(AtomicFile, DescriptorPathsAreWrittenWhereTheDescriptorStandsAndFilesBehindThemKept)
{
    TempDir dir;
    // As a shell's "{ echo HEAD; seqlark-cli export f.fa /dev/stdout; echo TAIL; } > out" and
    // ">> out" leave it: the descriptor's file already holds HEAD, and the table follows it.
    for (const bool append : {false, true}) {
        SCOPED_TRACE(append);
        const std::string out = dir.file(append ? "appended" : "written");
        writeBytes(out, "HEAD\n");
        const int fd = ::open(out.c_str(), O_WRONLY | (append ? O_APPEND : 0));
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::lseek(fd, 0, SEEK_END), 5);
        const std::string number = std::to_string(fd);
        fs::create_symlink("/proc/self/fd/" + number, dir.path() / "link-to-fd");
        for (const std::string& path : {"/dev/fd/" + number, "/proc/self/fd/" + number,
                 "/proc/" + std::to_string(::getpid()) + "/fd/" + number, dir.file("link-to-fd")})
            EXPECT_EQ(writeFileAtomically(path, "BODY\n").status, WriteStatus::Written) << path;
        ASSERT_EQ(::write(fd, "TAIL\n", 5), 5);
        ::close(fd);
        fs::remove(dir.path() / "link-to-fd");
        EXPECT_EQ(readBytes(out), "HEAD\nBODY\nBODY\nBODY\nBODY\nTAIL\n");
        EXPECT_TRUE(fs::is_regular_file(out));
    }
    // A descriptor not open is no file to make.
    EXPECT_EQ(writeFileAtomically("/dev/fd/999999", "x").status, WriteStatus::CannotCreate);
    EXPECT_TRUE(noTemporaryFilesIn(dir.path()));
}

TEST(AtomicFile, FifosSocketsAndDevicesPlantedInAFolderOfOurOwnAreReplaced)
{
    TempDir dir;
    // A FIFO without a reader would block a stream write for ever; a device would take the
    // bytes. Under Replace both go, and the file takes their place.
    ASSERT_EQ(::mkfifo(dir.file("words.tsv").c_str(), 0600), 0);
    EXPECT_EQ(writeFileAtomically(dir.file("words.tsv"), "rows", LinkPolicy::Replace).status, WriteStatus::Written);
    EXPECT_TRUE(fs::is_regular_file(dir.path() / "words.tsv"));
    EXPECT_EQ(readBytes(dir.file("words.tsv")), "rows");
    fs::create_symlink("/dev/null", dir.path() / "output.html");
    EXPECT_EQ(writeFileAtomically(dir.file("output.html"), "index", LinkPolicy::Replace).status, WriteStatus::Written);
    EXPECT_EQ(readBytes(dir.file("output.html")), "index");
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const std::string socketPath = dir.file("summary.html");
    if (socketPath.size() < sizeof address.sun_path) {
        std::copy(socketPath.begin(), socketPath.end(), address.sun_path);
        ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        EXPECT_EQ(writeFileAtomically(socketPath, "summary", LinkPolicy::Replace).status, WriteStatus::Written);
        EXPECT_EQ(readBytes(socketPath), "summary");
    }
    ::close(sock);
    EXPECT_TRUE(noTemporaryFilesIn(dir.path()));
}

TEST(AtomicFile, AReplacedFileKeepsItsPermissionsButNotSetIdBits)
{
    TempDir dir;
    const std::string path = dir.file("table");
    writeBytes(path, "old");
    ASSERT_EQ(::chmod(path.c_str(), 06750), 0);
    ASSERT_EQ(writeFileAtomically(path, "new").status, WriteStatus::Written);
    EXPECT_EQ(modeOf(path) & 07777, 0750u);
    EXPECT_EQ(readBytes(path), "new");
}

TEST(AtomicFile, AnInterruptedWriteLeavesNoTemporaryFileAndTheOldFileWhole)
{
    TempDir dir;
    const std::string path = dir.file("table");
    writeBytes(path, "the old table");
    // The child is stopped in the middle of writing.
    EXPECT_EXIT(writeUntilStopped(path), testing::KilledBySignal(SIGTERM), "");
    EXPECT_EQ(readBytes(path), "the old table");
    EXPECT_TRUE(noTemporaryFilesIn(dir.path()));
}

TEST(AtomicFile, ASignalWhileManyThreadsWriteLeavesNoTemporaryFile)
{
    // Threads replace small files as fast as they can, as a report's threads write its pages;
    // the signal comes at a random moment, while some thread is making its temporary file or
    // about to make the next.
    TempDir dir;
    std::mt19937 random(5);
    for (int round = 0; round < 30; ++round) {
        const std::string folder = dir.file("round" + std::to_string(round));
        fs::create_directory(folder);
        const pid_t child = ::fork();
        if (child == 0) {
            removeTemporaryFilesOnSignals();
            std::vector<std::thread> writers;
            for (int t = 0; t < 8; ++t)
                writers.emplace_back([&folder, t] {
                    for (int i = 0;; ++i)
                        writeFileAtomically(folder + "/page" + std::to_string(t) + "-" + std::to_string(i % 5), "text");
                });
            for (std::thread& writer : writers)
                writer.join();
            std::_Exit(0);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(2000 + random() % 20000));
        ::kill(child, round % 2 ? SIGINT : SIGTERM);
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status));
        EXPECT_TRUE(noTemporaryFilesIn(folder)) << "round " << round;
    }
}
