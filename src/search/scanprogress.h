#pragma once

#include <chrono>
#include <optional>

// How far a scan has come, for a bar that only moves forward. A scan counts
// the probes it has done against the probes it expects in all; the tree
// scan's expectation grows whenever a probe opens a branch. Plain
// done/expected would then jump back, so the share already shown stays and
// the rest of the bar is shared out over the probes still expected.
class ScanProgress {
public:
    static constexpr int kFull = 1000; // the share, in thousandths

    // A new scan that expects this many probes.
    void Start(int estimate);
    // Probes done and expected now; an expectation never shrinks, and done
    // never goes past it.
    void Update(int done, int estimate);

    int Done() const { return m_Done; }
    int Estimate() const { return m_Estimate; }
    // 0 to kFull; never less than before within one scan; kFull exactly
    // when every probe expected is done.
    int Shown() const;
    int Percent() const { return Shown() * 100 / kFull; }

    // The time the probes still expected take at the pace of those done;
    // nothing before the first probe is done.
    std::optional<std::chrono::milliseconds> TimeLeft(std::chrono::milliseconds elapsed) const;

private:
    double Share() const;

    int m_Done = 0;
    int m_Estimate = 0;
    // Where the bar stood when the expectation last grew.
    double m_AnchorShare = 0;
    int m_AnchorDone = 0;
};
