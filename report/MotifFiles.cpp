// The motifs of a report's motif files and of its table motifs.tsv: the refined motifs, then
// the assembled ones, with the ids and names the analysis gave them.

#include "report/MotifFiles.h"

#include "analysis/MotifFormats.h"
#include "base/RealFormat.h"

#include <charconv>

namespace {

constexpr const char* refinedDescription = "refined matrix of the word";
constexpr const char* assembledDescription = "assembled motif";

} // namespace

std::vector<ListedMotif> listedMotifs(const AnalysisResult& result)
{
    std::vector<ListedMotif> listed;
    const auto add = [&result, &listed](const Motif& motif, const AssembledMotif* assembly,
                         const std::vector<MotifMatch>& matches, std::size_t i) {
        const bool known = i < matches.size() && matches[i].found && matches[i].index < result.known.size();
        std::vector<std::string> members;
        if (assembly)
            for (const MotifMember& member : assembly->members)
                members.push_back(member.word);
        else
            members.push_back(motif.name);
        listed.push_back({motif, assembly, known ? &matches[i] : nullptr, motifIdOf(motif, listed.size() + 1),
            assembly ? assembly->consensus : consensusOf(motif.counts),
            (assembly ? assembly->bestSig : -motif.log10E) + 0.0, std::move(members)});
    };
    for (std::size_t i = 0; i < result.refined.size(); ++i)
        add(result.refined[i], nullptr, result.refinedKnown, i);
    for (std::size_t i = 0; i < result.assembled.size(); ++i)
        add(result.assembled[i].motif, &result.assembled[i], result.assembledKnown, i);
    return listed;
}

ReportMotifs reportMotifs(const AnalysisResult& result)
{
    ReportMotifs listed;
    for (const ListedMotif& motif : listedMotifs(result)) {
        listed.motifs.push_back(motif.motif);
        listed.descriptions.emplace_back(motif.assembly ? assembledDescription : refinedDescription);
    }
    return listed;
}

std::string motifTable(const AnalysisResult& result)
{
    std::string out = std::string("# seqlark ") + SEQLARK_VERSION
        + " motifs: the refined matrix of each of the best words, then the significant word classes assembled into motifs";
    out += "; known motifs compared with: " + std::to_string(result.known.size());
    if (result.significance.strand == Strand::Given)
        out += "; strand: given (words read on their sequence's own strand alone)";
    out += "\n";
    out += "kind\tid\tname\tconsensus\twidth\tsites\te_value\tbest_sig\tmembers\tknown_id\tknown_name\tcorrelation\t"
           "overlap\toffset\tstrand\tknown_e_value\n";
    for (const ListedMotif& listed : listedMotifs(result)) {
        const Motif& motif = listed.motif;
        out += listed.assembly ? "assembled\t" : "refined\t";
        (out += listed.id) += '\t';
        (out += motifField(motif.name)) += '\t';
        (out += listed.consensus) += '\t';
        (out += std::to_string(motif.width())) += '\t';
        (out += motifCountText(motif.sites)) += '\t';
        (out += formatFromLog10(motif.log10E)) += '\t';
        appendNumber(out, listed.bestSig, std::chars_format::fixed, 4);
        out += '\t';
        for (std::size_t m = 0; m < listed.members.size(); ++m)
            (out += m ? "," : "") += motifField(listed.members[m]);
        if (const MotifMatch* match = listed.match) {
            const Motif& known = result.known[match->index];
            ((out += '\t') += motifField(known.id)) += '\t';
            (out += motifField(known.name)) += '\t';
            appendNumber(out, match->correlation + 0.0, std::chars_format::fixed, 3);
            ((out += '\t') += std::to_string(match->overlap)) += '\t';
            ((out += std::to_string(match->offset)) += '\t') += match->reverse ? '-' : '+';
            (out += '\t') += formatFromLog10(match->log10E);
        } else {
            out += "\t\t\t\t\t\t\t";
        }
        out += '\n';
    }
    return out;
}
