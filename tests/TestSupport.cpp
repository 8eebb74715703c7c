#include "TestSupport.h"

#include "sequence/Diagnostics.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <zlib.h>

namespace {
// Tests look at diagnostics only through CaptureDiagnostics.
const bool silenced = (setDiagnosticStream(nullptr), true);
}

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

CaptureDiagnostics::CaptureDiagnostics()
    : previous(diagnosticStream())
{
    setDiagnosticStream(&captured);
}

CaptureDiagnostics::~CaptureDiagnostics()
{
    setDiagnosticStream(previous);
}

std::string gzipBytes(std::string_view bytes)
{
    z_stream stream {};
    deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&stream, static_cast<uLong>(bytes.size())) + 64, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}
