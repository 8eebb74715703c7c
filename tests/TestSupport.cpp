#include "TestSupport.h"

#include "base/Diagnostics.h"
#include "base/RealFormat.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <unistd.h>
#include <zlib.h>

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "seqlark-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a temporary folder");
    root = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::permissions(root, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(root, ignored);
}

void writeBytes(const std::string& path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool fileExists(const std::string& path)
{
    return std::filesystem::exists(path);
}

testing::AssertionResult sameTable(const std::string& actual, const std::string& expected)
{
    if (actual == expected)
        return testing::AssertionSuccess();
    const std::size_t at = static_cast<std::size_t>(
        std::mismatch(actual.begin(), actual.begin() + static_cast<std::ptrdiff_t>(std::min(actual.size(), expected.size())),
            expected.begin()).first - actual.begin());
    const std::size_t lineStart = at == 0 ? 0 : actual.rfind('\n', at - 1) + 1;
    auto lineOf = [lineStart](const std::string& bytes) {
        return lineStart > bytes.size() ? std::string() : bytes.substr(lineStart, bytes.find('\n', lineStart) - lineStart);
    };
    return testing::AssertionFailure() << "the tables (" << actual.size() << " and " << expected.size()
                                       << " bytes) part at line "
                                       << 1 + std::count(actual.begin(), actual.begin() + static_cast<std::ptrdiff_t>(lineStart), '\n')
                                       << ": " << testing::PrintToString(lineOf(actual)) << " against the expected "
                                       << testing::PrintToString(lineOf(expected));
}

std::map<std::string, std::string> contents(const std::filesystem::path& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        const std::string name = std::filesystem::relative(entry.path(), folder).string();
        files[name] = entry.is_directory() ? "<dir>" : readBytes(entry.path().string());
    }
    return files;
}

void writeAndClose(int fd, std::string_view bytes)
{
    for (std::size_t at = 0; fd >= 0 && at < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + at, bytes.size() - at);
        if (n <= 0)
            break;
        at += static_cast<std::size_t>(n);
    }
    if (fd >= 0)
        ::close(fd);
}

std::string gzipBytes(std::string_view bytes, const std::string& name)
{
    z_stream stream {};
    deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    gz_header header {};
    if (!name.empty()) {
        header.name = reinterpret_cast<Bytef*>(const_cast<char*>(name.c_str()));
        header.os = 3;
        deflateSetHeader(&stream, &header);
    }
    std::string out(deflateBound(&stream, static_cast<uLong>(bytes.size())) + name.size() + 64, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

std::string testData(std::string_view name)
{
    return (std::filesystem::path(SEQLARK_TEST_DATA) / name).string();
}

testing::AssertionResult matchesGolden(std::string_view name, std::string_view actual)
{
    const std::string path = testData(name);
    const char* update = std::getenv("SEQLARK_UPDATE_GOLDEN");
    if (update && std::string_view(update) == "1") {
        writeBytes(path, actual);
        return testing::AssertionSuccess() << "rewrote " << path;
    }
    if (!fileExists(path))
        return testing::AssertionFailure() << path << " is missing";
    const std::string expected = readBytes(path);
    if (expected == actual)
        return testing::AssertionSuccess();
    std::size_t at = 0;
    while (at < expected.size() && at < actual.size() && expected[at] == actual[at])
        ++at;
    auto around = [at](std::string_view bytes) {
        std::size_t from = at < 20 ? 0 : at - 20;
        return testing::PrintToString(std::string(bytes.substr(std::min(from, bytes.size()), 40)));
    };
    return testing::AssertionFailure() << path << ": " << actual.size() << " bytes written, "
                                       << expected.size() << " expected; first difference at byte " << at
                                       << "\n  written:  " << around(actual) << "\n  expected: " << around(expected);
}

std::string formatReal(double value)
{
    std::string out;
    appendReal(out, value);
    return out;
}

ExportResult exportQuietly(const char* source, const char* destination)
{
    RunFeedback quiet;
    return exportFastaToDTable(source, destination, quiet);
}
