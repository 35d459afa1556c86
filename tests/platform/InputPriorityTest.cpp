// The interface thread's priority: the lowest real-time one where the system allows it, kept
// from every thread it starts, and an answer that says what happened. Each case runs on a
// thread of its own so that the test process itself stays ordinary.
#include <gtest/gtest.h>
#include <pthread.h>
#include <sched.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/std/RenderThread.h"

namespace chordlane {
namespace {

struct Scheduling {
    int policy = -1;
    int priority = -1;
};

// The kernel's own record for the calling thread: the C library's answer for a thread it
// made may be a copy of what its creator had at the time.
Scheduling Current() {
    Scheduling s;
    sched_param param{};
    s.policy = sched_getscheduler(0);
    sched_getparam(0, &param);
    s.priority = param.sched_priority;
    return s;
}

TEST(InputPriorityTest, TheThreadGetsTheLowestRealTimePriorityAndWhatItStartsStaysOrdinary) {
    std::string answer, again;
    Scheduling asked, child;
    std::thread([&] {
        answer = RequestInputPriority();
        asked = Current();
        std::thread([&] { child = Current(); }).join();
        again = RequestInputPriority();
    }).join();

    // A worker started by the interface thread never runs at its priority.
    EXPECT_EQ(child.policy, SCHED_OTHER);
    if (answer.starts_with("ordinary priority")) {
        // Refused (no rtprio for this user, a container) or one core: nothing changed, and
        // the answer says why.
        EXPECT_NE(answer.find('('), std::string::npos) << answer;
        EXPECT_EQ(asked.policy, SCHED_OTHER);
        GTEST_SKIP() << "this system keeps real-time priority from the test: " << answer;
    }
    EXPECT_EQ(answer, "real-time priority 1");
    EXPECT_EQ(asked.policy & ~SCHED_RESET_ON_FORK, SCHED_FIFO);
    EXPECT_EQ(asked.priority, sched_get_priority_min(SCHED_FIFO));
    // Asked twice, the thread keeps what it has and says it was there already.
    EXPECT_EQ(again, "real-time priority 1 (given)");
}

TEST(InputPriorityTest, AnotherThreadIsFoundByItsNameAndRaisedFromOutside) {
    std::mutex mutex;
    std::condition_variable changed;
    bool named = false, done = false;
    Scheduling seen;
    std::thread reader([&] {
        pthread_setname_np(pthread_self(), "TestXReader");
        std::unique_lock lock(mutex);
        named = true;
        changed.notify_all();
        changed.wait(lock, [&] { return done; });
        seen = Current();
    });
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return named; });
    }
    const std::vector<int> found = ThreadsNamed("TestXReader");
    EXPECT_TRUE(ThreadsNamed("NoSuchThread").empty());
    std::string answer = "not asked";
    if (found.size() == 1) answer = RequestInputPriority(found[0]);
    {
        std::lock_guard lock(mutex);
        done = true;
    }
    changed.notify_all();
    reader.join();

    ASSERT_EQ(found.size(), 1u);
    if (answer.starts_with("ordinary priority"))
        GTEST_SKIP() << "this system keeps real-time priority from the test: " << answer;
    EXPECT_EQ(answer, "real-time priority 1");
    // The named thread, not the one that asked, has it.
    EXPECT_EQ(seen.policy & ~SCHED_RESET_ON_FORK, SCHED_FIFO);
    EXPECT_EQ(Current().policy, SCHED_OTHER);
}

TEST(InputPriorityTest, TheRenderThreadStaysAboveTheInterfaceThread) {
    std::string input, render;
    Scheduling rendering;
    std::thread([&] { input = RequestInputPriority(); }).join();
    std::thread([&] {
        render = RequestRealtimePriority();
        rendering = Current();
    }).join();
    if (!render.starts_with("real-time priority"))
        GTEST_SKIP() << "this system keeps real-time priority from the test: " << render;
    EXPECT_GT(rendering.priority, sched_get_priority_min(SCHED_FIFO)) << render << ", " << input;
}

}  // namespace
}  // namespace chordlane
