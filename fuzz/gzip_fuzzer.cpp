// The gzip path: any bytes through zlib and, where built with it, ISA-L. Neither may fault,
// and where both read the stream whole they must give the same bytes.

#include "sequence/InputStream.h"

#include <cstdlib>
#include <string>

namespace {

std::string drain(const std::uint8_t* data, std::size_t size, Inflater inflater, ReadStatus& status)
{
    InputStream stream;
    stream.openMemory(reinterpret_cast<const char*>(data), size, inflater);
    std::string out;
    char chunk[4096];
    while (std::size_t n = stream.read(chunk, sizeof chunk)) {
        out.append(chunk, n);
        if (out.size() > (64u << 20))
            break;
    }
    status = stream.status();
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ReadStatus zlibStatus, isalStatus;
    std::string zlib = drain(data, size, Inflater::Zlib, zlibStatus);
    if (!isalAvailable())
        return 0;
    std::string isal = drain(data, size, Inflater::Isal, isalStatus);
    if (zlibStatus == ReadStatus::Read && isalStatus == ReadStatus::Read && zlib != isal)
        std::abort();
    return 0;
}
