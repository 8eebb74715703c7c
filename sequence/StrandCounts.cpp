#include "sequence/StrandCounts.h"

#include "base/Dna.h"

const char* strandName(Strand strand)
{
    return strand == Strand::Given ? "given" : "both";
}

bool strandNamed(std::string_view name, Strand& strand)
{
    if (name != "both" && name != "given")
        return false;
    strand = name == "given" ? Strand::Given : Strand::Both;
    return true;
}

StrandCounts::StrandCounts()
    : counts_(longest - shortest + 1), windows_(longest - shortest + 1, 0)
{
    for (int k = shortest; k <= longest; ++k)
        counts_[static_cast<std::size_t>(k - shortest)].assign(std::size_t(1) << (2 * k), 0);
}

void StrandCounts::add(std::string_view sequence)
{
    constexpr std::uint32_t longestMask = (std::uint32_t(1) << (2 * longest)) - 1;
    std::uint32_t code = 0;
    int run = 0;
    for (const char letter : sequence) {
        const char upper = letter >= 'a' && letter <= 'z' ? static_cast<char>(letter - 32) : letter;
        const std::uint8_t base = baseCodes[static_cast<unsigned char>(upper)];
        if (base == otherBase) {
            run = 0;
            continue;
        }
        code = ((code << 2) | base) & longestMask;
        ++run;
        for (int k = shortest; k <= longest && k <= run; ++k) {
            const auto index = static_cast<std::size_t>(k - shortest);
            ++counts_[index][code & ((std::uint32_t(1) << (2 * k)) - 1)];
            ++windows_[index];
        }
    }
}
