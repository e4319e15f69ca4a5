#pragma once

#include <functional>
#include <map>
#include <string>

namespace velmora::bench {

// What a phase sends back to the bench: named figures, one per line.
class PhaseReport {
public:
    explicit PhaseReport(int descriptor) : descriptor_(descriptor) {}
    void put(const std::string& name, double value);

private:
    int descriptor_;
};

struct PhaseResult {
    std::map<std::string, double> figures;
    long peakRssKb = 0;  // ru_maxrss of the phase's process
};

// Runs `body` in a forked process of its own, so that each phase's peak memory is its own and the database
// engine never lives in the bench's process. Throws with the phase's message when the body failed.
PhaseResult runPhase(const std::string& name, const std::function<void(PhaseReport&)>& body);

}  // namespace velmora::bench
