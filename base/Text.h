#pragma once

#include <string>
#include <string_view>

/// `text` with every control byte (below 0x20, and 0x7F) written as \xNN in lower-case hex,
/// so that a line end or a terminal escape it holds cannot break the one line it is shown
/// on; with `escapeHighBytes`, bytes from 0x80 up are written so too, for text that may be
/// anything rather than UTF-8 (a file's bytes quoted in an error), else they stay as they are.
std::string escapeControlBytes(std::string_view text, bool escapeHighBytes = false);
