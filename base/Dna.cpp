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

bool isDnaWord(std::string_view word)
{
    for (char c : word)
        if (c != 'A' && c != 'C' && c != 'G' && c != 'T')
            return false;
    return true;
}
