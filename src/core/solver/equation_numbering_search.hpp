// The bandwidth of the equation numbering, searched in the background for a calculation
// that does not need the numbering itself, and shown whenever it is known.
#pragma once

#include <memory>
#include <optional>

namespace kova {

class ConnectionLists;

// The figure of one calculation, shared by every copy of the handle: the run starts the
// search in it, and whoever shows the figure asks for it later, from any thread. The
// search owns a copy of the lists, so the run may end and its data go while it goes on.
// It ends when the figure is found, when it is abandoned (a cancelled or replaced run)
// or when the last copy of the handle goes; no thread outlives the handle's state.
class BandwidthFigure {
public:
    // A figure that is not known and not searched for.
    BandwidthFigure();

    // Starts the search for the numbering of unknowns 1..n on a thread of its own (on the
    // calling thread when no thread can be had). Once per figure; a figure already known,
    // searched or abandoned is left as it is.
    void Search(const ConnectionLists& connections, int n);
    // A figure found on the calculation's own path (the band solver's numbering).
    void SetKnown(int bandwidth);

    // Never waits: the figure when it is known.
    std::optional<int> Value() const;
    // True while a search is under way.
    bool Pending() const;
    // Neither known nor searched for.
    bool Unused() const;
    // Waits for a search under way, taking a share of its remaining starts on the
    // calling thread. Nothing when the figure is not known and not searched for, when the
    // search was abandoned, or when it ran out of memory.
    std::optional<int> Wait() const;
    // Stops a search that is no longer wanted; the figure stays unknown. Returns when
    // the search has stopped.
    void Abandon() const;

private:
    struct State;
    std::shared_ptr<State> m_state;
};

}  // namespace kova
