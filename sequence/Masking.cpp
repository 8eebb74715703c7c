#include "sequence/Masking.h"

const char* maskingName(Masking masking)
{
    return masking == Masking::Lower ? "lower" : masking == Masking::Dust ? "dust" : "none";
}

bool maskingNamed(std::string_view name, Masking& masking)
{
    for (Masking m : {Masking::None, Masking::Lower, Masking::Dust})
        if (name == maskingName(m)) {
            masking = m;
            return true;
        }
    return false;
}

std::size_t maskLowerCase(std::string& sequence)
{
    std::size_t masked = 0;
    for (char& c : sequence)
        if (c >= 'a' && c <= 'z') {
            c = 'N';
            ++masked;
        }
    return masked;
}

std::size_t maskLowComplexity(std::string&, int, double)
{
    return 0;
}
