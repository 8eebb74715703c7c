#include "analysis/ProbabilityMatrix.h"

namespace {
bool isBase(char c)
{
    return c == 'A' || c == 'T' || c == 'G' || c == 'C';
}
}

ProbabilityMatrix::ProbabilityMatrix(const DString& word)
    : rows(word.length(), MatrixRow {0.1, 0.1, 0.1, 0.1})
{
    for (int i = 0; i < rowCount(); ++i)
        setProbability(i, word.at(i), 0.7);
}

ProbabilityMatrix::ProbabilityMatrix(int rowTotal)
    : rows(static_cast<std::size_t>(rowTotal > 0 ? rowTotal : 0))
{
}

double ProbabilityMatrix::probability(int position, char base) const
{
    const MatrixRow& row = rows[static_cast<std::size_t>(position)];
    switch (base) {
    case 'A':
        return row.A;
    case 'T':
        return row.T;
    case 'G':
        return row.G;
    case 'C':
        return row.C;
    default:
        return -1.0;
    }
}

void ProbabilityMatrix::setProbability(int position, char base, double value)
{
    MatrixRow& row = rows[static_cast<std::size_t>(position)];
    switch (base) {
    case 'A':
        row.A = value;
        break;
    case 'T':
        row.T = value;
        break;
    case 'G':
        row.G = value;
        break;
    case 'C':
        row.C = value;
        break;
    default:
        break;
    }
}

void ProbabilityMatrix::rebuild(const std::vector<DString>& words)
{
    ProbabilityMatrix counts(rowCount());
    for (const DString& word : words) {
        for (int k = 0; k < static_cast<int>(word.length()) && k < rowCount(); ++k) {
            char base = word.at(k);
            if (isBase(base))
                counts.setProbability(k, base, counts.probability(k, base) + 1.0);
        }
    }
    const double wordCount = static_cast<double>(words.size());
    for (int r = 0; r < rowCount(); ++r) {
        for (char base : {'A', 'T', 'G', 'C'})
            setProbability(r, base, counts.probability(r, base) / wordCount);
    }
}
