#include "base/Dna.h"

std::string reverseComplement(std::string_view word)
{
    std::string result(word.size(), '\0');
    for (std::size_t i = 0; i < word.size(); ++i)
        result[word.size() - 1 - i] = complementOf(word[i]);
    return result;
}

bool isOwnReverseComplement(std::string_view word)
{
    for (std::size_t i = 0, j = word.size(); i < j--; ++i)
        if (word[i] != complementOf(word[j]))
            return false;
    return true;
}

std::int64_t dnaWordCode(std::string_view word)
{
    std::int64_t code = 0;
    for (char c : word) {
        const int base = baseCodes[static_cast<unsigned char>(c)];
        if (base == otherBase)
            return -1;
        code = code * 4 + base;
    }
    return code;
}

std::string dnaWordOf(std::int64_t code, int length)
{
    std::string word(static_cast<std::size_t>(length), 'A');
    for (int i = length - 1; i >= 0; --i, code /= 4)
        word[static_cast<std::size_t>(i)] = "ACGT"[code % 4];
    return word;
}

bool isDnaWord(std::string_view word)
{
    for (char c : word)
        if (c != 'A' && c != 'C' && c != 'G' && c != 'T')
            return false;
    return true;
}
