#pragma once

#include <string>
#include <string_view>

/// Writes `bytes` to a temporary file in the folder of `path` and renames it over `path`
/// once complete, so a failed write never leaves a half-written file where a good one stood.
/// A symbolic link at `path` is followed. On failure `error` holds the cause.
enum class WriteOutcome { Written, CannotCreate, CannotWrite };
WriteOutcome writeFileAtomically(const std::string& path, std::string_view bytes, std::string& error);
