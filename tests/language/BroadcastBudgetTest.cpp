#include "elements/NameRegistry.h"
#include "elements/TextElement.h"
#include "elements/TriggerGuard.h"
#include "tests/language/InstrumentTest.h"

namespace chordlane::test {
namespace {

class BroadcastBudgetTest : public InstrumentTest {
  protected:
    //! Loads labels note labels and an "init" of steps actions, each stepping the note shift
    //! of every element; answers the first label's shift after the load.
    int32_t LoadSteppingLabels(int labels, int steps) {
        std::string body = "d 240 320\n";
        for (int i = 0; i < labels; ++i) body += "gt l" + std::to_string(i) + " C4 0 0 9 9\n";
        body += "{ init\n";
        for (int i = 0; i < steps; ++i) body += "=i .ns +1\n";
        body += "}\n";
        EXPECT_EQ(Load(body).outcome, OpenResult::Outcome::Loaded);
        return Shift();
    }
    int32_t Shift() { return Find(u"l0") ? Find(u"l0")->GetInt(u"ns") : NO_VALUE; }
};

TEST_F(BroadcastBudgetTest, EveryStepReachesEveryElementOfAnInstrumentOfUsualSize) {
    EXPECT_EQ(LoadSteppingLabels(20, 30), 30);
}

// Thousands of actions that each reach thousands of elements held the program for many
// seconds; one outer trigger now reaches a bounded number of elements, and the next trigger
// has the whole allowance again.
TEST_F(BroadcastBudgetTest, OneTriggerReachesABoundedNumberOfElements) {
    const int labels = 1000;
    const int steps = 1000;
    const int32_t first = LoadSteppingLabels(labels, steps);
    // Each step reaches the labels, the "init" group and, through it, the steps; "init"
    // reaching its steps comes first.
    const size_t perStep = labels + 1 + steps;
    EXPECT_LT(first, steps);
    EXPECT_LE(steps + first * perStep, MAX_VISITS);
    EXPECT_GT(steps + (first + 1) * perStep, MAX_VISITS);

    instrument_.names.FireInitEvent(0);
    EXPECT_EQ(Shift(), 2 * first);
}

}  // namespace
}  // namespace chordlane::test
