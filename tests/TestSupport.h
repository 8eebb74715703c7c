#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <sstream>
#include <string>
#include <string_view>

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

/// Gathers everything written to the diagnostic stream while it lives.
class CaptureDiagnostics {
public:
    CaptureDiagnostics();
    ~CaptureDiagnostics();
    CaptureDiagnostics(const CaptureDiagnostics&) = delete;
    CaptureDiagnostics& operator=(const CaptureDiagnostics&) = delete;
    std::string text() const { return captured.str(); }

private:
    std::ostringstream captured;
    std::ostream* previous;
};

/// gzip-compresses `bytes` through zlib.
std::string gzipBytes(std::string_view bytes);

/// Path of `name` in the folder of committed test data.
std::string testData(std::string_view name);

/// Whether `actual` equals the committed file `name` byte for byte; on a mismatch, says
/// where the two first differ. With SEQLARK_UPDATE_GOLDEN=1 in the environment the file
/// is rewritten from `actual` instead (check the difference before committing it).
testing::AssertionResult matchesGolden(std::string_view name, std::string_view actual);
