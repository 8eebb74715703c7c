#include "TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

/// Starts `args` (the program first) with its output and errors thrown away.
pid_t start(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    EXPECT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

/// The temporary files left in `folder`.
std::vector<std::string> temporariesIn(const std::string& folder)
{
    std::vector<std::string> left;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        if (entry.path().filename().string().starts_with(".seqlark-"))
            left.push_back(entry.path().filename().string());
    return left;
}

std::string randomFasta(std::mt19937& random, int records, int length)
{
    std::string text;
    for (int r = 0; r < records; ++r) {
        text += ">r" + std::to_string(r) + "\n";
        for (int i = 0; i < length; ++i)
            text += "ACGT"[random() % 4];
        text += '\n';
    }
    return text;
}

} // namespace

/// Runs interrupted at random moments, while other processes keep every core busy, leave no
/// temporary file in the report folder: the report's threads write its files side by side,
/// and a signal may come while any of them is making one.
TEST(Interrupts, AnalysesStoppedAtRandomMomentsUnderLoadLeaveNoTemporaryFile)
{
    TempDir dir;
    std::mt19937 random(11);
    writeBytes(dir.file("genome.fa"), randomFasta(random, 60, 2000));
    writeBytes(dir.file("family.fa"), randomFasta(random, 12, 600));
    auto analyze = [&](const std::string& folder) {
        return start({SEQLARK_CLI, "-q", "analyze", "--out", folder, dir.file("genome.fa"), dir.file("family.fa")});
    };
    // How long a whole run takes here, to spread the signals over it.
    const auto begun = std::chrono::steady_clock::now();
    int status = 0;
    ::waitpid(analyze(dir.file("whole")), &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const auto whole = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - begun);

    std::vector<pid_t> busy;
    for (unsigned i = 0; i < std::max(1u, std::thread::hardware_concurrency()); ++i)
        if (const pid_t pid = ::fork(); pid == 0) {
            static std::atomic<unsigned long> spins {0};
            for (;;)
                spins.fetch_add(1, std::memory_order_relaxed);
        } else {
            busy.push_back(pid);
        }
    std::uniform_int_distribution<long> moment(0, whole.count() * 3 / 2);
    const int signals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
    int stopped = 0;
    for (int round = 0; round < 40; ++round) {
        const std::string folder = dir.file("run" + std::to_string(round));
        const pid_t pid = analyze(folder);
        std::this_thread::sleep_for(std::chrono::microseconds(moment(random)));
        ::kill(pid, signals[round % 4]);
        ::waitpid(pid, &status, 0);
        stopped += WIFSIGNALED(status);
        EXPECT_EQ(temporariesIn(folder), std::vector<std::string> {}) << "round " << round;
    }
    for (pid_t pid : busy) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    // Most runs were stopped midway, not after their end.
    EXPECT_GT(stopped, 10);
}
