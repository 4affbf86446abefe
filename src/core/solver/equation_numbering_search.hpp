// The bandwidth of the equation numbering found in the background, for a calculation
// that does not need the numbering itself.
#pragma once

#include <memory>

namespace kova {

class ConnectionLists;

// The same numbering's bandwidth found in the background: Start begins one search on a
// thread of its own; Wait joins it with a second search on the calling thread (on a
// connected graph) and returns the bandwidth. The lists must stay unchanged until Wait
// returns; the destructor waits.
class BandwidthSearch {
public:
    BandwidthSearch();
    ~BandwidthSearch();
    BandwidthSearch(const BandwidthSearch&) = delete;
    BandwidthSearch& operator=(const BandwidthSearch&) = delete;

    void Start(const ConnectionLists& connections, int n);
    // 0 when no search was started.
    int Wait();
    // Stops a search that is no longer wanted (a cancelled calculation) without waiting
    // for its result; Wait then gives 0.
    void Abandon();
    bool Started() const { return m_state != nullptr; }

private:
    struct State;
    std::unique_ptr<State> m_state;
};

}  // namespace kova
