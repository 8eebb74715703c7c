#include "analysis/Progress.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class Recorder : public ProgressDisplay {
public:
    void open() override { log += "open "; }
    void setPosition(int position) override { last = position; }
    void close() override { log += "close "; }
    std::string log;
    int last = -1;
};

} // namespace

TEST(Progress, CounterAndDisplay)
{
    Recorder recorder;
    ProgressDisplay* before = setProgressDisplay(&recorder);
    openProgressWindow();
    resetProgress();
    EXPECT_EQ(recorder.last, 0);
    for (int i = 0; i < 7; ++i)
        stepProgress();
    EXPECT_EQ(progressCounter(), 7);
    EXPECT_EQ(recorder.last, 7);
    for (int i = 0; i < 143; ++i)
        stepProgress();
    EXPECT_EQ(progressCounter(), 150); // the counter is not bounded; a display shows it full
    closeProgressWindow();
    EXPECT_EQ(recorder.log, "open close ");
    // The counter keeps its value until the next reset.
    EXPECT_EQ(progressCounter(), 150);
    setProgressDisplay(before);
}

TEST(Progress, WithoutADisplayOnlyTheCounterMoves)
{
    ProgressDisplay* before = setProgressDisplay(nullptr);
    openProgressWindow();
    resetProgress();
    stepProgress();
    closeProgressWindow();
    EXPECT_EQ(progressCounter(), 1);
    setProgressDisplay(before);
}
