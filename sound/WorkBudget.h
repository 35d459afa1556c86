#pragma once
#include <atomic>
#include <cstdint>

namespace chordlane {

// The sample operations one load may spend on pitch copies (a value weighted into a copy is
// one operation). A release build does several hundred million a second on one core (fewer
// for 8-bit recordings), so the default keeps any load to about a second of copying. The
// shipped instruments need under 4 % of it; eight five-second recordings at 44.1 kHz with
// copies two octaves either way, about 60 %. Without a bound, a short recording with copies
// far up costs its length times 2^(shift/12) per copy and can hold the program for minutes.
inline constexpr int64_t DEFAULT_LOAD_WORK_LIMIT = int64_t{1} << 29;

// The frames one load may convert to the output's rate (a frame written is one). The sinc
// converter makes about twelve million a second on one core, so the limit keeps a load's
// conversion to a few seconds whatever the files: 23 minutes of sound at 48 kHz, where the
// built-in guitar needs 2.5 minutes. Without it, only the sample memory bounds the work.
inline constexpr int64_t DEFAULT_CONVERSION_FRAME_LIMIT = int64_t{1} << 26;

// The operations charged so far against a limit. Charged in the order of the copies before
// any is made, so what is left out does not depend on the threads; atomic all the same, as
// the owner may read it while copies are made.
class WorkBudget {
  public:
    explicit WorkBudget(int64_t limit = DEFAULT_LOAD_WORK_LIMIT) : limit_(limit) {}
    WorkBudget(const WorkBudget&) = delete;
    WorkBudget& operator=(const WorkBudget&) = delete;

    //! Charges operations; false (nothing charged) when that would pass the limit.
    bool Take(int64_t operations) {
        int64_t used = used_.load();
        do {
            if (operations < 0 || used > limit_.load() || operations > limit_.load() - used)
                return false;
        } while (!used_.compare_exchange_weak(used, used + operations));
        return true;
    }
    //! Charges operations already spent, whether or not they pass the limit.
    void Spent(int64_t operations) { used_.fetch_add(operations); }
    int64_t Used() const { return used_.load(); }
    int64_t Limit() const { return limit_.load(); }
    void SetLimit(int64_t limit) { limit_.store(limit); }
    //! A new load starts with nothing charged.
    void Restart() { used_.store(0); }

  private:
    std::atomic<int64_t> used_{0};
    std::atomic<int64_t> limit_;
};

}  // namespace chordlane
