#include "MotifSamples.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

TEST(TransfacFormat, WritesTheGoldenFile)
{
    const std::vector<std::string> descriptions = {"refined matrix of the word", "refined matrix of the word", "assembled motif"};
    EXPECT_TRUE(matchesGolden("motifs/expected.transfac", transfacText(sampleMotifs(), descriptions)));
}

TEST(TransfacFormat, TheDescriptionLineSaysWhatIsGiven)
{
    std::vector<Motif> motifs = sampleMotifs();
    motifs[1].name.clear();
    motifs[2].name.clear();
    const std::string text = transfacText(motifs, {"", "a description"});
    EXPECT_NE(text.find("\nXX\nDE  TATCGA\nXX\nP0"), std::string::npos) << text;
    EXPECT_NE(text.find("\nXX\nDE  a description\nXX\nP0"), std::string::npos) << text;
    EXPECT_NE(text.find("AC  assembled-1\nXX\nID  assembled-1\nXX\nP0"), std::string::npos) << text;
}
