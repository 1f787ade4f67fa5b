#include "core/UPhasedProgress.h"

#include <QProgressBar>
#include <algorithm>

TPhasedProgressBase::TPhasedProgressBase() : phases_{Phase{0, 0, 0}} {}

void TPhasedProgressBase::BeginPhase(int32_t min, int32_t max) {
    phases_.push_back(Phase{min, std::max(min, max), min});
}

void TPhasedProgressBase::EndPhase() {
    // The root phase stays: an unpaired end must not leave the progress without a level.
    if (phases_.size() > 1)
        phases_.pop_back();
}

void TPhasedProgressBase::SetPosition(int32_t position) {
    phases_.back().position = position;
    ShowPosition(OverallPosition());
}

void TPhasedProgressBase::StepIt() {
    int32_t& position = phases_.back().position;
    if (position < INT32_MAX)
        ++position;
    ShowPosition(OverallPosition());
}

int32_t TPhasedProgressBase::OverallPosition() const {
    // 64-bit throughout: a range may span the whole 32-bit scale.
    int64_t span = OverallMax;
    int64_t pos = 0;
    for (const Phase& phase : phases_) {
        const int64_t range = int64_t(phase.max) - phase.min + 1;
        const int64_t p = std::clamp<int64_t>(int64_t(phase.position) - phase.min, 0, range);
        const int64_t start = span * p / range;
        const int64_t next = span * (p + 1) / range - start;
        pos += start;
        span = next;
    }
    return static_cast<int32_t>(std::min<int64_t>(pos, OverallMax));
}

TSTDPhasedProgress::TSTDPhasedProgress(QProgressBar* progressBar) : progressBar_(progressBar) {
    Start();
}

void TSTDPhasedProgress::ShowPosition(int32_t position) {
    if (progressBar_)
        progressBar_->setValue(position);
}

void TSTDPhasedProgress::ShowRange(int32_t min, int32_t max, int32_t position) {
    if (!progressBar_)
        return;
    progressBar_->setRange(min, max);
    progressBar_->setValue(position);
}
