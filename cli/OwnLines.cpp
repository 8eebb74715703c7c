#include "cli/OwnLines.h"

#include "tables/DTable.h"

#include <string_view>

namespace {

constexpr std::string_view created = DTable::createdText;

} // namespace

OwnLines::OwnLines(std::ostream& target)
    : std::ostream(&buffer)
    , buffer(target)
{
}

OwnLines::~OwnLines()
{
    close();
}

void OwnLines::close()
{
    buffer.close();
}

void OwnLines::Buffer::close()
{
    if (!held.empty()) {
        target << held;
        held.clear();
        lineStart = false;
    }
    if (!lineStart) {
        target << '\n';
        lineStart = true;
    }
    target.flush();
}

void OwnLines::Buffer::put(char c)
{
    // A name read from a file may hold any byte: a control byte in a line (a terminal escape,
    // a CR) is written as \xNN, so that it reaches the screen as text.
    const auto byte = static_cast<unsigned char>(c);
    if ((byte < 0x20 && c != '\n') || byte == 0x7F) {
        static constexpr char hex[] = "0123456789abcdef";
        for (const char shown : {'\\', 'x', hex[byte >> 4], hex[byte & 0xF]})
            put(shown);
        return;
    }
    if (!lineStart) {
        target.put(c);
        lineStart = c == '\n';
        return;
    }
    if (held.size() == created.size()) {
        // A bare "created" ends its line; what follows starts the next.
        target << held << '\n';
        held.clear();
        if (c != '\n')
            put(c);
        return;
    }
    if (c == created[held.size()]) {
        held += c;
        return;
    }
    target << held;
    held.clear();
    target.put(c);
    lineStart = c == '\n';
}

OwnLines::Buffer::int_type OwnLines::Buffer::overflow(int_type c)
{
    if (!traits_type::eq_int_type(c, traits_type::eof()))
        put(traits_type::to_char_type(c));
    return traits_type::not_eof(c);
}

std::streamsize OwnLines::Buffer::xsputn(const char* s, std::streamsize n)
{
    for (std::streamsize i = 0; i < n; ++i)
        put(s[i]);
    return n;
}
