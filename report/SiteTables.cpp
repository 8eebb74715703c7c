#include "report/SiteTables.h"

#include "base/Text.h"

#include <algorithm>
#include <cmath>

namespace {

std::string recordName(const FamilyProfile& family, std::size_t record)
{
    const std::string& name = family.recordName(record);
    // A name may hold any byte but a blank; control bytes are written as \xNN, so that the
    // tables keep their lines and columns.
    return name.empty() ? "record_" + std::to_string(record + 1) : escapeControlBytes(name);
}

} // namespace

std::string sitesBed(const AnalysisResult& result)
{
    if (!result.positions || !result.family)
        return {};
    const FamilyProfile& family = *result.family;
    const std::vector<std::vector<MotifSite>>& sites = result.positions->sites;
    std::string out;
    for (std::size_t r = 0; r < static_cast<std::size_t>(family.records()); ++r) {
        const std::uint32_t sequence = family.recordSequence(r);
        if (sequence >= sites.size() || sites[sequence].empty())
            continue;
        const std::string name = recordName(family, r) + '\t';
        for (const MotifSite& site : sites[sequence]) {
            const long score = std::lround(std::clamp(site.sig, 0.0, 1000.0));
            ((out += name) += std::to_string(site.start)) += '\t';
            (out += std::to_string(site.start + site.length)) += '\t';
            (out += result.assembled[site.motif].motif.id) += '\t';
            (out += std::to_string(score)) += '\t';
            out += site.reverse ? "-\n" : "+\n";
        }
    }
    return out;
}

std::string genesTable(const AnalysisResult& result)
{
    if (!result.positions || !result.family)
        return {};
    const FamilyProfile& family = *result.family;
    const std::vector<std::vector<MotifSite>>& sites = result.positions->sites;
    std::string out = "record\tlength";
    for (const AssembledMotif& motif : result.assembled)
        (out += '\t') += motif.motif.id;
    out += '\n';
    std::vector<std::int64_t> counts(result.assembled.size());
    for (std::size_t r = 0; r < static_cast<std::size_t>(family.records()); ++r) {
        const std::uint32_t sequence = family.recordSequence(r);
        std::fill(counts.begin(), counts.end(), 0);
        if (sequence < sites.size())
            for (const MotifSite& site : sites[sequence])
                ++counts[site.motif];
        out += recordName(family, r) + '\t' + std::to_string(family.sequences()[sequence].size());
        for (const std::int64_t count : counts)
            (out += '\t') += std::to_string(count);
        out += '\n';
    }
    return out;
}
