#pragma once

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
