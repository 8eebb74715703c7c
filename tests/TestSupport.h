#pragma once

#include "base/RunFeedback.h"
#include "export/Export.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <ostream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

/// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return root; }
    /// Path of `name` inside the folder, as a string.
    std::string file(std::string_view name) const { return (root / name).string(); }

private:
    std::filesystem::path root;
};

/// Writes `bytes` to `path` as they are.
void writeBytes(const std::string& path, std::string_view bytes);
/// The whole file at `path`; empty when it cannot be read.
std::string readBytes(const std::string& path);
bool fileExists(const std::string& path);
/// Every file under `folder` with its bytes, by its path below the folder; folders show as "<dir>".
std::map<std::string, std::string> contents(const std::filesystem::path& folder);

/// Gathers the diagnostic lines of whatever is handed its diagnostics().
class CaptureDiagnostics {
public:
    CaptureDiagnostics() = default;
    CaptureDiagnostics(const CaptureDiagnostics&) = delete;
    CaptureDiagnostics& operator=(const CaptureDiagnostics&) = delete;
    Diagnostics diagnostics() { return Diagnostics(captured); }
    std::string text() const { return captured.str(); }

private:
    std::ostringstream captured;
};

/// A run's feedback that keeps everything it is told: the diagnostic text, every progress
/// call, every warning and note, in order in `events` ("start", "0/105", "warn Caption: text",
/// "note text", "end").
class RecordingFeedback : public RunFeedback {
public:
    RecordingFeedback()
        : RunFeedback(Diagnostics(captured))
    {
    }
    void started() override { events.push_back("start"); }
    void progressed(std::int64_t done, std::int64_t total) override
    {
        events.push_back(std::to_string(done) + "/" + std::to_string(total));
        lastStep = done;
        lastTotal = total;
        ++steps;
    }
    void finished() override { events.push_back("end"); }
    void warn(std::string_view caption, std::string_view text) override
    {
        events.push_back("warn " + std::string(caption) + ": " + std::string(text));
        warnings.push_back(std::string(caption) + ": " + std::string(text));
    }
    void note(std::string_view text) override { events.push_back("note " + std::string(text)); }
    std::string text() const { return captured.str(); }

    std::vector<std::string> events;
    std::vector<std::string> warnings;
    std::int64_t lastStep = -1;
    std::int64_t lastTotal = -1;
    int steps = 0; ///< progress calls, the reset to 0 included

private:
    std::ostringstream captured;
};

/// Whether the table file bytes `actual` equal `expected`; on a mismatch, the first line
/// where they part. (gtest's own difference of two tables of thousands of lines would take
/// minutes and gigabytes.)
testing::AssertionResult sameTable(const std::string& actual, const std::string& expected);

/// Writes `bytes` to the descriptor `fd` as far as it takes them (a reader that closes its
/// end early stops the writing), then closes it.
void writeAndClose(int fd, std::string_view bytes);

/// gzip-compresses `bytes` through zlib; with a `name`, the gzip header carries it.
std::string gzipBytes(std::string_view bytes, const std::string& name = "");

/// Exports the FASTA file `source` to the table file `destination`, reporting nothing.
ExportResult exportQuietly(const char* source, const char* destination);

/// `value` as appendReal writes it.
std::string formatReal(double value);

/// Path of `name` in the folder of committed test data.
std::string testData(std::string_view name);

/// Whether `actual` equals the committed file `name` byte for byte; on a mismatch, says
/// where the two first differ. With SEQLARK_UPDATE_GOLDEN=1 in the environment the file
/// is rewritten from `actual` instead (check the difference before committing it).
testing::AssertionResult matchesGolden(std::string_view name, std::string_view actual);
