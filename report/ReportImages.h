#pragma once

#include <string_view>
#include <vector>

/// An image the report's pages refer to, with the bytes the program ships for it.
struct ReportImage {
    const char* fileName;
    std::string_view bytes;
};

/// The page-top banner and the four base colours (A blue, T green, C red, G yellow).
const std::vector<ReportImage>& reportImages();
