#include "analysis/Motif.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

using CentredColumn = MotifSet::Column;

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
    return MotifSet(known).closest(motif);
}

MotifSet::MotifSet(const std::vector<Motif>& motifs)
{
    forward_.reserve(motifs.size());
    reverse_.reserve(motifs.size());
    for (const Motif& motif : motifs) {
        forward_.push_back(centredColumns(motif.counts));
        reverse_.push_back(centredColumns(reverseComplementOf(motif).counts));
    }
}

template <class Visit>
void MotifSet::align(const std::vector<Column>& ours, std::size_t k, Visit&& visit) const
{
    const int width = static_cast<int>(ours.size());
    const int knownWidth = static_cast<int>(forward_[k].size());
    if (width == 0 || knownWidth == 0)
        return;
    const int needed = std::min({minimumMotifOverlap, width, knownWidth});
    for (const bool reverse : {false, true}) {
        const std::vector<Column>& theirs = reverse ? reverse_[k] : forward_[k];
        for (int offset = needed - width; offset <= knownWidth - needed; ++offset) {
            const int first = std::max(0, -offset);
            const int last = std::min(width, knownWidth - offset);
            const int overlap = last - first;
            double sum = 0.0;
            for (int i = first; i < last; ++i)
                sum += correlationOf(ours[static_cast<std::size_t>(i)], theirs[static_cast<std::size_t>(i + offset)]);
            visit(sum / overlap, overlap, offset, reverse);
        }
    }
}

MotifMatch MotifSet::closest(const Motif& motif) const
{
    MotifMatch best;
    const std::vector<Column> ours = centredColumns(motif.counts);
    for (std::size_t k = 0; k < size(); ++k)
        align(ours, k, [&](double correlation, int overlap, int offset, bool reverse) {
            // Sums that differ in their last bits are equal: the longer overlap wins them.
            const bool better = !best.found || correlation > best.correlation + 1e-12
                || (correlation > best.correlation - 1e-12 && overlap > best.overlap);
            if (better)
                best = {true, k, correlation, overlap, offset, reverse, 0.0};
        });
    return best;
}

std::vector<double> MotifSet::bestCorrelations(const Motif& motif) const
{
    const std::vector<Column> ours = centredColumns(motif.counts);
    std::vector<double> best(size(), -std::numeric_limits<double>::infinity());
    for (std::size_t k = 0; k < size(); ++k)
        align(ours, k, [&](double correlation, int, int, bool) { best[k] = std::max(best[k], correlation); });
    return best;
}
