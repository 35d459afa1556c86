#include "app/SoundOutputKeeper.h"

#include <utility>

namespace chordlane {

SoundOutputKeeper::SoundOutputKeeper(Opener open, NullMaker makeNull, Notice notice)
    : open_(std::move(open)), makeNull_(std::move(makeNull)), notice_(std::move(notice)) {}

SoundOutputKeeper::~SoundOutputKeeper() { Stop(); }

void SoundOutputKeeper::Open() {
    Stop();
    AudioOpenResult opened = open_(true);
    if (!opened.output) {
        opened.output = makeNull_();
        opened.silent = true;
    }
    output_ = std::move(opened.output);
    silent_ = opened.silent;
    Tell(std::move(opened.problem));
}

void SoundOutputKeeper::Tick() {
    if (!output_) return;
    if (!silent_) {
        if (!output_->Failed()) return;
        // The null output mixes on meanwhile, so notices keep their time.
        std::string lost = output_->Describe();
        if (const std::string why = output_->FailureReason(); !why.empty()) lost += ": " + why;
        // The failed output stops before the null one starts: two outputs pulling the one
        // mixer at once would each hear half of it.
        Stop();
        output_ = makeNull_();
        silent_ = true;
        Tell("Sound output lost (" + lost + "); trying it again every second.");
        return;
    }
    // Only one output may pull the mixer, so the null one steps aside while the chosen one
    // is tried, and comes back when it is not there yet.
    Stop();
    AudioOpenResult again = open_(false);
    if (!again.output) {
        output_ = makeNull_();
        return;
    }
    output_ = std::move(again.output);
    silent_ = false;
    problem_.clear();
    if (notice_) notice_("Sound output is back (" + output_->Describe() + ").", false);
}

void SoundOutputKeeper::Stop() {
    if (!output_) return;
    output_->Stop();
    closedUnderruns_ += output_->Underruns();
    output_.reset();
}

uint64_t SoundOutputKeeper::Underruns() const {
    return closedUnderruns_ + (output_ ? output_->Underruns() : 0);
}

void SoundOutputKeeper::Tell(std::string problem) {
    problem_ = std::move(problem);
    if (!problem_.empty() && notice_) notice_(problem_, true);
}

}  // namespace chordlane
