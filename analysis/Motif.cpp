#include "analysis/Motif.h"

#include <algorithm>
#include <cmath>

namespace {

/// A column of probabilities centred on its mean and scaled to length 1, so that the
/// Pearson correlation of two columns is their dot product; a flat column stays all 0.
struct CentredColumn {
    std::array<double, 4> value {};
    bool flat = true;
};

std::vector<CentredColumn> centredColumns(const std::vector<BaseWeights>& rows)
{
    std::vector<CentredColumn> columns(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const BaseWeights p = frequenciesOf(rows[i]);
        const double mean = (p[0] + p[1] + p[2] + p[3]) / 4.0;
        double squares = 0.0;
        for (std::size_t b = 0; b < 4; ++b) {
            columns[i].value[b] = p[b] - mean;
            squares += columns[i].value[b] * columns[i].value[b];
        }
        // Probabilities that differ by rounding alone make a flat column.
        if (squares > 1e-24) {
            const double norm = std::sqrt(squares);
            for (double& v : columns[i].value)
                v /= norm;
            columns[i].flat = false;
        }
    }
    return columns;
}

double correlationOf(const CentredColumn& a, const CentredColumn& b)
{
    if (a.flat || b.flat)
        return a.flat && b.flat ? 1.0 : 0.0;
    const double r = a.value[0] * b.value[0] + a.value[1] * b.value[1] + a.value[2] * b.value[2] + a.value[3] * b.value[3];
    return std::clamp(r, -1.0, 1.0);
}

} // namespace

BaseWeights frequenciesOf(const BaseWeights& counts)
{
    const double sum = counts[0] + counts[1] + counts[2] + counts[3];
    if (!(sum > 0.0))
        return {0.25, 0.25, 0.25, 0.25};
    return {counts[0] / sum, counts[1] / sum, counts[2] / sum, counts[3] / sum};
}

std::vector<BaseWeights> frequenciesOf(const Motif& motif)
{
    std::vector<BaseWeights> rows;
    rows.reserve(motif.counts.size());
    for (const BaseWeights& row : motif.counts)
        rows.push_back(frequenciesOf(row));
    return rows;
}

Motif reverseComplementOf(const Motif& motif)
{
    Motif other = motif;
    std::reverse(other.counts.begin(), other.counts.end());
    for (BaseWeights& row : other.counts)
        row = {row[3], row[2], row[1], row[0]};
    return other;
}

std::string consensusOf(const std::vector<BaseWeights>& rows)
{
    std::string consensus;
    consensus.reserve(rows.size());
    for (const BaseWeights& row : rows) {
        std::size_t best = 0;
        for (std::size_t b = 1; b < 4; ++b)
            if (row[b] > row[best])
                best = b;
        consensus += row[best] > 0.0 ? motifLetters[best] : 'N';
    }
    return consensus;
}

MotifMatch closestMotif(const Motif& motif, const std::vector<Motif>& known)
{
    MotifMatch best;
    const int width = static_cast<int>(motif.width());
    if (width == 0)
        return best;
    const std::vector<CentredColumn> ours = centredColumns(motif.counts);
    for (std::size_t k = 0; k < known.size(); ++k) {
        const int knownWidth = static_cast<int>(known[k].width());
        if (knownWidth == 0)
            continue;
        const int needed = std::min({minimumMotifOverlap, width, knownWidth});
        for (const bool reverse : {false, true}) {
            const std::vector<CentredColumn> theirs
                = centredColumns(reverse ? reverseComplementOf(known[k]).counts : known[k].counts);
            for (int offset = needed - width; offset <= knownWidth - needed; ++offset) {
                const int first = std::max(0, -offset);
                const int last = std::min(width, knownWidth - offset);
                const int overlap = last - first;
                double sum = 0.0;
                for (int i = first; i < last; ++i)
                    sum += correlationOf(ours[static_cast<std::size_t>(i)], theirs[static_cast<std::size_t>(i + offset)]);
                const double correlation = sum / overlap;
                // Sums that differ in their last bits are equal: the longer overlap wins them.
                const bool better = !best.found || correlation > best.correlation + 1e-12
                    || (correlation > best.correlation - 1e-12 && overlap > best.overlap);
                if (better)
                    best = {true, k, correlation, overlap, offset, reverse};
            }
        }
    }
    return best;
}
