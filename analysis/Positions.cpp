#include "analysis/Positions.h"

#include "analysis/TailProbability.h"
#include "base/Dna.h"
#include "base/Parallel.h"
#include "sequence/Windows.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>

namespace {

constexpr int shortest = FamilyProfile::shortest;
constexpr int longest = FamilyProfile::longest;
constexpr int lengths = longest - shortest + 1;

/// A motif's sites are those of its strong members: of a sig at least this share of its best
/// member's. Its weaker members, shorter or partial words, are common enough to blur where
/// the motif lies.
constexpr double strongShare = 0.5;

/// Expected sites a pool of bins must reach before the chi-square test takes it as a cell.
constexpr double fewestExpected = 5.0;

std::uint32_t codeOf(const std::string& word)
{
    std::uint32_t code = 0;
    for (char c : word)
        code = code * 4 + baseCodes[static_cast<unsigned char>(c)];
    return code;
}

/// Per length, the item (motif or class) each class code belongs to, -1 for none.
using ItemOfCode = std::array<std::vector<std::int16_t>, lengths>;

/// Per length, for each class code of a motif's member, the member's sig and the code of the
/// member's word as it lies in the motif.
struct MemberOfCode {
    std::array<std::vector<double>, lengths> sig;
    std::array<std::vector<std::uint32_t>, lengths> liesAs;
};

ItemOfCode emptyItems()
{
    ItemOfCode items;
    for (int k = shortest; k <= longest; ++k)
        items[static_cast<std::size_t>(k - shortest)].assign(std::size_t(1) << (2 * k), -1);
    return items;
}

/// The site an item has open in the sequence being read: [start, end).
struct OpenSite {
    std::int64_t start = -1;
    std::int64_t end = -1;
    MotifSite best; ///< of a motif: its strongest member's occurrence so far
};

/// The windows of A, C, G and T starting in each bin: per length (row k - shortest), then per
/// spacing of pairs (row lengths + spacing, where both halves are whole), those rows left
/// empty that no item needs.
using WindowsByBin = std::vector<std::vector<double>>;
constexpr std::size_t windowRows = lengths + widestDyadSpacing + 1;

/// The code of a pair's halves, its spacer (n) left out.
std::uint32_t pairCodeOf(const std::string& word)
{
    std::uint32_t code = 0;
    for (char c : word)
        if (c != 'n')
            code = code * 4 + baseCodes[static_cast<unsigned char>(c)];
    return code;
}

/// The motif (and member) or class each pair code of one spacing belongs to, -1 for none.
struct PairItems {
    int spacing = 0;
    std::vector<std::int16_t> motif = std::vector<std::int16_t>(dyadCodes, -1);
    std::vector<double> sig = std::vector<double>(dyadCodes, 0.0);
    std::vector<std::uint32_t> liesAs = std::vector<std::uint32_t>(dyadCodes, 0);
    std::vector<std::int16_t> classItem = std::vector<std::int16_t>(dyadCodes, -1);
};

/// Reads the family's sequences once, closing each item's sites into its profile's bins and
/// counting the windows of each bin. The items of the second table follow those of the first
/// in `profiles`: a window may be a site of both (a class that is also a motif's member).
class SiteScanner {
public:
    /// `members` tells the first table's items' (the motifs') members apart, whose sites go
    /// into `sites`, one list per sequence scanned.
    SiteScanner(const PositionBins& bins, std::vector<PositionProfile>& profiles, const ItemOfCode& first,
        const MemberOfCode& members, const ItemOfCode& second, std::size_t secondFrom, WindowsByBin& windows,
        std::vector<std::vector<MotifSite>>& sites)
        : bins_(bins), profiles_(profiles), first_(first), members_(members), second_(second),
          secondFrom_(secondFrom), windows_(windows), sites_(sites), open_(profiles.size())
    {
    }

    /// Spaced pairs to find too, of items that hold no word.
    void findPairs(const std::vector<PairItems>& pairs) { pairs_ = &pairs; }

    /// Words read on their sequence's own strand alone: a class is one word.
    void readOneStrand() { oneStrand_ = true; }

    void scan(const std::string& sequence)
    {
        sites_.emplace_back();
        std::fill(open_.begin(), open_.end(), OpenSite {});
        // The bin of each position, counted along without a division per window.
        binAt_.resize(sequence.size());
        const auto width = static_cast<std::uint32_t>(bins_.width);
        std::uint32_t bin = 0, inBin = 0;
        for (std::size_t step = 0; step < sequence.size(); ++step) {
            binAt_[bins_.anchor == Anchor::End ? sequence.size() - 1 - step : step] = bin;
            if (++inBin == width) {
                inBin = 0;
                ++bin;
            }
        }
        forEachWindow<shortest, longest>(sequence, [&](std::size_t end, int k, std::uint32_t kForward, std::uint32_t kReverse) {
            const auto index = static_cast<std::size_t>(k - shortest);
            const auto start = static_cast<std::int64_t>(end) - k;
            windows_[index][binOf(start)] += 1.0;
            const std::uint32_t canonical = oneStrand_ ? kForward : std::min(kForward, kReverse);
            if (const std::int16_t item = first_[index][canonical]; item >= 0) {
                const double sig = members_.sig[index][canonical];
                const MotifSite site {static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(k),
                    static_cast<std::uint32_t>(item), members_.liesAs[index][canonical] != kForward, sig};
                occur(static_cast<std::size_t>(item), start, static_cast<std::int64_t>(end), &site);
            }
            if (const std::int16_t item = second_[index][canonical]; item >= 0)
                occur(secondFrom_ + static_cast<std::size_t>(item), start, static_cast<std::int64_t>(end), nullptr);
        });
        if (pairs_ && !pairs_->empty())
            scanPairs(sequence);
        for (std::size_t item = 0; item < open_.size(); ++item)
            close(item);
        std::sort(sites_.back().begin(), sites_.back().end(), [](const MotifSite& a, const MotifSite& b) {
            return a.start != b.start ? a.start < b.start : a.motif < b.motif;
        });
    }

private:
    std::size_t binOf(std::int64_t start) const { return binAt_[static_cast<std::size_t>(start)]; }

    /// The pairs of each spacing asked for, place by place, so that an item's occurrences come
    /// in the order of their starts whatever their spacings.
    void scanPairs(const std::string& sequence)
    {
        const std::vector<std::uint8_t> halves = dyadHalvesOf(sequence);
        for (std::size_t j = 0; j < halves.size(); ++j) {
            if (halves[j] == brokenDyadHalf)
                continue;
            const auto start = static_cast<std::int64_t>(j);
            for (const PairItems& pairs : *pairs_) {
                const auto gap = static_cast<std::size_t>(dyadHalf + pairs.spacing);
                if (j + gap >= halves.size() || halves[j + gap] == brokenDyadHalf)
                    continue;
                const auto end = start + static_cast<std::int64_t>(gap) + dyadHalf;
                windows_[lengths + static_cast<std::size_t>(pairs.spacing)][binOf(start)] += 1.0;
                const std::uint32_t forward = (std::uint32_t(halves[j]) << (2 * dyadHalf)) | halves[j + gap];
                const auto reverse = static_cast<std::uint32_t>(reverseComplementCode(forward, 2 * dyadHalf));
                const std::uint32_t canonical = oneStrand_ ? forward : std::min(forward, reverse);
                if (const std::int16_t item = pairs.motif[canonical]; item >= 0) {
                    const MotifSite site {static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(end - start),
                        static_cast<std::uint32_t>(item), pairs.liesAs[canonical] != forward, pairs.sig[canonical]};
                    occur(static_cast<std::size_t>(item), start, end, &site);
                }
                if (const std::int16_t item = pairs.classItem[canonical]; item >= 0)
                    occur(secondFrom_ + static_cast<std::size_t>(item), start, end, nullptr);
            }
        }
    }

    /// An occurrence of `item` at [start, end); `member` is the motif member's, for a motif.
    void occur(std::size_t item, std::int64_t start, std::int64_t end, const MotifSite* member)
    {
        OpenSite& site = open_[item];
        if (site.start >= 0 && start < site.end) {
            site.start = std::min(site.start, start);
            site.end = std::max(site.end, end);
            if (member && member->sig > site.best.sig)
                site.best = *member;
            return;
        }
        close(item);
        site.start = start;
        site.end = end;
        if (member)
            site.best = *member;
    }

    void close(std::size_t item)
    {
        OpenSite& site = open_[item];
        if (site.start < 0)
            return;
        const std::size_t bin = binOf(site.start);
        PositionProfile& profile = profiles_[item];
        if (bin < profile.sites.size()) {
            ++profile.sites[bin];
            ++profile.total;
        }
        if (item < secondFrom_)
            sites_.back().push_back(site.best);
        site = {};
    }

    const PositionBins& bins_;
    std::vector<PositionProfile>& profiles_;
    const ItemOfCode& first_;
    const MemberOfCode& members_;
    const ItemOfCode& second_;
    std::size_t secondFrom_;
    WindowsByBin& windows_;
    std::vector<std::vector<MotifSite>>& sites_;
    std::vector<OpenSite> open_;
    std::vector<std::uint32_t> binAt_;
    bool oneStrand_ = false;
    const std::vector<PairItems>* pairs_ = nullptr;
};

/// Spreads the profile's sites as `windows` are and tests them against that spread.
void settleProfile(PositionProfile& profile, const std::vector<double>& windows)
{
    double allWindows = 0.0;
    for (double w : windows)
        allWindows += w;
    profile.expected.assign(windows.size(), 0.0);
    if (allWindows <= 0.0 || profile.total == 0)
        return;
    for (std::size_t b = 0; b < windows.size(); ++b)
        profile.expected[b] = static_cast<double>(profile.total) * windows[b] / allWindows;
    // Cells: bins pooled outward from the anchor until each expects enough; what is left at the
    // far end joins the last cell.
    std::vector<std::pair<double, double>> cells; // observed, expected
    double observed = 0.0, expected = 0.0;
    for (std::size_t b = 0; b < windows.size(); ++b) {
        observed += static_cast<double>(profile.sites[b]);
        expected += profile.expected[b];
        if (expected >= fewestExpected) {
            cells.emplace_back(observed, expected);
            observed = expected = 0.0;
        }
    }
    if (expected > 0.0 || observed > 0.0) {
        if (cells.empty())
            cells.emplace_back(observed, expected);
        else {
            cells.back().first += observed;
            cells.back().second += expected;
        }
    }
    if (cells.size() < 2)
        return;
    double statistic = 0.0;
    for (const auto& [o, e] : cells)
        statistic += (o - e) * (o - e) / e;
    profile.log10P = log10ChiSquareUpperTail(statistic, static_cast<int>(cells.size()) - 1);
}

} // namespace

int binsSpanned(const FamilyProfile& family, int width)
{
    const auto bases = static_cast<std::size_t>(std::max(1, width));
    return static_cast<int>(std::min<std::size_t>((family.longestSequence() + bases - 1) / bases, 1u << 30));
}

const char* anchorName(Anchor anchor)
{
    return anchor == Anchor::Start ? "start" : "end";
}

bool anchorNamed(const std::string& name, Anchor& anchor)
{
    if (name == "end" || name == "start") {
        anchor = name == "end" ? Anchor::End : Anchor::Start;
        return true;
    }
    return false;
}

namespace {

/// What a scan looks for: a profile per item (the motifs, then the classes), the row of the
/// windows each is spread as (of its shortest class length, or its pairs' spacing), and which
/// item (and which member of a motif) each class code is.
struct Items {
    std::vector<PositionProfile> profiles;
    std::vector<std::size_t> windowRow;
    ItemOfCode motifs = emptyItems();
    MemberOfCode members;
    ItemOfCode classes = emptyItems();
    std::vector<PairItems> pairs;

    PairItems& pairsOf(int spacing)
    {
        for (PairItems& items : pairs)
            if (items.spacing == spacing)
                return items;
        pairs.emplace_back().spacing = spacing;
        return pairs.back();
    }
};

/// Notes the strong members of motif `m` in `items`: a motif started by a pair is of pairs
/// of one spacing, and a pair in a motif of words is left out (a word is found there).
void addMotifItems(Items& items, const SignificanceTable& table, const AssembledMotif& motif, std::size_t m)
{
    items.profiles.push_back({motif.motif.id, {}, {}, 0, 0.0});
    const bool ofPairs = !motif.members.empty() && table.classes[motif.members.front().classIndex].dyad();
    int least = ofPairs ? items.pairsOf(table.classes[motif.members.front().classIndex].spacing).spacing : longest;
    for (const MotifMember& member : motif.members) {
        const WordClass& c = table.classes[member.classIndex];
        if (c.dyad() != ofPairs || !(member.sig >= strongShare * motif.bestSig))
            continue;
        if (ofPairs) {
            PairItems& pairs = items.pairsOf(c.spacing);
            const std::uint32_t code = pairCodeOf(c.word);
            pairs.motif[code] = static_cast<std::int16_t>(m);
            pairs.sig[code] = member.sig;
            pairs.liesAs[code] = pairCodeOf(member.word);
            least = c.spacing;
            continue;
        }
        if (c.length < shortest || c.length > longest)
            continue;
        const auto index = static_cast<std::size_t>(c.length - shortest);
        items.motifs[index][codeOf(c.word)] = static_cast<std::int16_t>(m);
        items.members.sig[index][codeOf(c.word)] = member.sig;
        items.members.liesAs[index][codeOf(c.word)] = codeOf(member.word);
        least = std::min(least, c.length);
    }
    items.windowRow.push_back(ofPairs ? lengths + static_cast<std::size_t>(least) : static_cast<std::size_t>(least - shortest));
}

Items itemsOf(const SignificanceTable& table, const std::vector<AssembledMotif>& motifs,
    const std::vector<std::size_t>& classIndices)
{
    Items items;
    for (int k = shortest; k <= longest; ++k) {
        items.members.sig[static_cast<std::size_t>(k - shortest)].assign(std::size_t(1) << (2 * k), 0.0);
        items.members.liesAs[static_cast<std::size_t>(k - shortest)].assign(std::size_t(1) << (2 * k), 0);
    }
    for (std::size_t m = 0; m < motifs.size(); ++m)
        addMotifItems(items, table, motifs[m], m);
    for (std::size_t i = 0; i < classIndices.size(); ++i) {
        const WordClass& c = table.classes[classIndices[i]];
        items.profiles.push_back({c.word, {}, {}, 0, 0.0});
        if (c.dyad()) {
            items.pairsOf(c.spacing).classItem[pairCodeOf(c.word)] = static_cast<std::int16_t>(i);
            items.windowRow.push_back(lengths + static_cast<std::size_t>(c.spacing));
            continue;
        }
        const int length = std::clamp(c.length, shortest, longest);
        if (c.length == length)
            items.classes[static_cast<std::size_t>(length - shortest)][codeOf(c.word)] = static_cast<std::int16_t>(i);
        items.windowRow.push_back(static_cast<std::size_t>(length - shortest));
    }
    return items;
}

/// Rows for the windows of every length, and of each spacing `pairs` looks for.
WindowsByBin emptyWindows(const std::vector<PairItems>& pairs, std::size_t bins)
{
    WindowsByBin windows(windowRows);
    for (std::size_t k = 0; k < lengths; ++k)
        windows[k].assign(bins, 0.0);
    for (const PairItems& items : pairs)
        windows[lengths + static_cast<std::size_t>(items.spacing)].assign(bins, 0.0);
    return windows;
}

} // namespace

PositionReport positionsOf(const FamilyProfile& family, const SignificanceTable& table,
    const std::vector<AssembledMotif>& motifs, const std::vector<std::size_t>& classIndices, Anchor anchor,
    int binWidth)
{
    PositionReport report;
    report.bins.anchor = anchor;
    report.bins.width = std::max(1, binWidth);
    report.bins.count = binsSpanned(family, report.bins.width);
    const auto binCount = static_cast<std::size_t>(report.bins.count);
    Items items = itemsOf(table, motifs, classIndices);
    std::vector<PositionProfile>& profiles = items.profiles;
    for (PositionProfile& profile : profiles)
        profile.sites.assign(binCount, 0);
    // The sequences in a few stretches, read side by side, each into counts of its own that
    // are added up after; the sites keep the sequences' order.
    struct Part {
        std::vector<PositionProfile> profiles;
        WindowsByBin windows;
        std::vector<std::vector<MotifSite>> sites;
    };
    const std::deque<std::string>& sequences = family.sequences();
    const std::size_t partCount = std::clamp<std::size_t>(sequences.size() / 500, 1, 8);
    std::vector<Part> parts(partCount);
    forEachInParallel(partCount, [&](std::size_t p) {
        Part& part = parts[p];
        part.profiles = profiles;
        part.windows = emptyWindows(items.pairs, binCount);
        SiteScanner scanner(report.bins, part.profiles, items.motifs, items.members, items.classes, motifs.size(),
            part.windows, part.sites);
        scanner.findPairs(items.pairs);
        if (family.strand() == Strand::Given)
            scanner.readOneStrand();
        for (std::size_t i = sequences.size() * p / partCount; i < sequences.size() * (p + 1) / partCount; ++i)
            scanner.scan(sequences[i]);
    });
    WindowsByBin windows = emptyWindows(items.pairs, binCount);
    report.sites.reserve(sequences.size());
    for (Part& part : parts) {
        for (std::size_t i = 0; i < profiles.size(); ++i) {
            for (std::size_t b = 0; b < binCount; ++b)
                profiles[i].sites[b] += part.profiles[i].sites[b];
            profiles[i].total += part.profiles[i].total;
        }
        for (std::size_t k = 0; k < windows.size(); ++k)
            for (std::size_t b = 0; b < windows[k].size(); ++b)
                windows[k][b] += part.windows[k][b];
        std::move(part.sites.begin(), part.sites.end(), std::back_inserter(report.sites));
    }
    for (std::size_t i = 0; i < profiles.size(); ++i)
        settleProfile(profiles[i], windows[items.windowRow[i]]);
    const auto split = profiles.begin() + static_cast<std::ptrdiff_t>(motifs.size());
    report.motifs.assign(std::make_move_iterator(profiles.begin()), std::make_move_iterator(split));
    report.classes.assign(std::make_move_iterator(split), std::make_move_iterator(profiles.end()));
    return report;
}
