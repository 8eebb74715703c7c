#include "app/ShellSettings.h"

namespace {
constexpr const char* missingIntro = "You must specify each the following to continue:\r\n\r\n";
constexpr const char* missingBig = "- Big DTable File (File->Open Big DTable File)\r\n\r\n";
constexpr const char* missingSmall = "- Small DTable File (File->Open Small DTable File)\r\n\r\n";
constexpr const char* missingGene = "- At least one Gene File (File->Open Gene File)\r\n\r\n";
}

void ShellSettings::chooseBigDTable(const std::string& path)
{
    bigPath = path;
    list(path);
}

void ShellSettings::chooseSmallDTable(const std::string& path)
{
    smallPath = path;
    list(path);
}

bool ShellSettings::addGeneFile(const std::string& path)
{
    if (static_cast<int>(genePaths.size()) >= maximumGeneFiles)
        return false;
    genePaths.push_back(path);
    list(path);
    return true;
}

void ShellSettings::closeAll()
{
    bigPath.clear();
    smallPath.clear();
    genePaths.clear();
    listing.clear();
}

std::string ShellSettings::missingInputsText(bool smallServesAsGenes) const
{
    const bool genesMissing = genePaths.empty() && !smallServesAsGenes;
    const bool bigMissing = bigPath.empty() && !background.markovOrder && !background.shuffles;
    if (!bigMissing && !smallPath.empty() && !genesMissing)
        return {};
    std::string text = missingIntro;
    if (bigMissing)
        text += missingBig;
    if (smallPath.empty())
        text += missingSmall;
    if (genesMissing)
        text += missingGene;
    return text;
}

void ShellSettings::list(const std::string& path)
{
    listing += path;
    listing += "\r\n";
}
