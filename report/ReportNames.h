#pragma once

#include <string>
#include <string_view>

/// The file name of a word's detail page: the word with ".html" appended. Letters, digits
/// and '-' stay as they are; every other byte becomes '_' and two hex digits, so no word
/// can leave the report's folder, hide as a dot file or clash with another word's page.
/// Very long words are shortened and told apart by a hash.
std::string pageFileName(std::string_view word);

/// `text` with &, <, > and " written as HTML entities.
std::string escapeHtml(std::string_view text);
