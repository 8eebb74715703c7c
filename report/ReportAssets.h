#pragma once

#include <string_view>

// The summary page's text assets, the files of report/assets embedded byte for byte at build
// time (report/EmbedText.cmake writes their definitions). Each file ends with one newline,
// which the page keeps before the tag that closes it; the files hold no comments, as every
// byte of them goes into the page.

/// report/assets/summary.css: the style sheet, the content of the page's <style> element.
extern const std::string_view summaryCss;

/// report/assets/summary.js: the content of the page's <script> element. It puts a button in
/// every heading of a table of class "sort", so that without scripts the table stays plain
/// and in rank order, and shows the hint of id "sorting". A cell's data-v, when present, is
/// its sort key: E- and q-values sort by their logarithm, which holds values below the
/// double range; a heading with data-t sorts as text.
extern const std::string_view summaryJs;
