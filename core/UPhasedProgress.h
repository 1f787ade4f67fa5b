#pragma once
// Progress of long operations in nested phases: an outer loop over sheets opens a phase with one step
// per sheet, the work on one sheet opens an inner phase, and so on. The position inside the innermost
// phase is mapped onto one overall scale of 0 to 10000, each level dividing the current step of the
// level above it into equal parts.

#include <QPointer>
#include <QProgressBar>
#include <cstdint>
#include <vector>

class TPhasedProgressBase {
public:
    static constexpr int32_t OverallMax = 10000;

    TPhasedProgressBase();
    virtual ~TPhasedProgressBase() = default;
    TPhasedProgressBase(const TPhasedProgressBase&) = delete;
    TPhasedProgressBase& operator=(const TPhasedProgressBase&) = delete;

    // Opens a nested phase from min to max (max raised to min when smaller) at position min.
    // The display is not updated.
    virtual void BeginPhase(int32_t min, int32_t max);
    // Closes the innermost phase; at the root it does nothing. The display is not updated.
    virtual void EndPhase();

    // Sets the innermost position and updates the display.
    void SetPosition(int32_t position);
    // Adds one to the innermost position and updates the display.
    void StepIt();

    int32_t Level() const { return static_cast<int32_t>(phases_.size()) - 1; }
    int32_t Position() const { return phases_.back().position; }
    // The overall position on the 0..10000 scale; a position past the end of its phase counts as
    // the whole phase done, never more.
    int32_t OverallPosition() const;

protected:
    // Shows the overall position.
    virtual void ShowPosition(int32_t position) = 0;
    // Prepares the output for the range and a first position.
    virtual void ShowRange(int32_t min, int32_t max, int32_t position) = 0;
    // Prepares the output with the overall range; a derived class calls it at the end of its
    // constructor, when its output exists.
    void Start() { ShowRange(0, OverallMax, 0); }

private:
    struct Phase {
        int32_t min;
        int32_t max;
        int32_t position;
    };
    std::vector<Phase> phases_;
};

class TPhasedProgress : public TPhasedProgressBase {};

// A phased progress shown on a progress bar (not owned; nothing is shown once it has gone).
class TSTDPhasedProgress : public TPhasedProgress {
public:
    explicit TSTDPhasedProgress(QProgressBar* progressBar);
    QProgressBar* ProgressBar() const { return progressBar_; }

protected:
    void ShowPosition(int32_t position) override;
    void ShowRange(int32_t min, int32_t max, int32_t position) override;

private:
    QPointer<QProgressBar> progressBar_;
};
