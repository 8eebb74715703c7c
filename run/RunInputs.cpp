// The inputs of a run told apart before anything is counted: streams read into memory,
// each input's kind, and the tables that cannot serve.

#include "run/RunInputs.h"

std::string dyadBackgroundRefusal(const std::string& background, const StreamCopies& streams)
{
    if (background.empty())
        return {};
    if (inputKindOf(streams.source(background).c_str()).kind == InputKind::DTable)
        return "cannot use " + background
            + " as --dyad-background: a DTable file holds no spaced pairs; give the genome's sequences as FASTA";
    return {};
}

std::string tableRefusal(const std::string& path, const TableFileFacts& facts)
{
    const std::vector<std::string> refusals = facts.refusals();
    return refusals.empty() ? std::string() : "cannot use " + path + " as a DTable file: " + refusals.front();
}

std::string copyStreams(
    const std::vector<const RunInput*>& inputs, const std::string& dyadBackground, StreamCopies& streams)
{
    std::vector<std::string> paths;
    for (const RunInput* input : inputs)
        if (!input->table)
            paths.push_back(input->path);
    if (!dyadBackground.empty())
        paths.push_back(dyadBackground);
    for (const std::string& path : paths)
        if (std::string problem = streams.take(path); !problem.empty())
            return "cannot use " + path + ": " + problem;
    return {};
}

std::string tellKinds(const std::vector<const RunInput*>& inputs, const StreamCopies& streams, std::vector<InputKind>& kinds)
{
    for (const RunInput* input : inputs) {
        if (input->table) {
            kinds.push_back(InputKind::DTable);
            continue;
        }
        const std::string source = streams.source(input->path);
        const InputKindResult told = inputKindOf(source.c_str());
        kinds.push_back(told.kind);
        if (!told.ok())
            return "cannot use " + input->path + ": " + streams.told(told.message);
        if (told.kind != InputKind::DTable)
            continue;
        TableFileFacts facts;
        if (const LoadOutcome probed = probeTableFile(source.c_str(), facts); !probed.ok())
            return "cannot use " + input->path + " as a DTable file: " + probed.message;
        if (std::string refusal = tableRefusal(input->path, facts); !refusal.empty())
            return refusal;
    }
    return {};
}
