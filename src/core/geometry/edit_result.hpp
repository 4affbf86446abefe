// What the geometry editing commands take and give back: the positions a user clicks and
// the outcome of a command.
#pragma once

#include <string>

#include "model/problem.hpp"

namespace kova {

// One click in the input window, in drawing pixels.
struct ClickPoint {
    Real x = 0;
    Real y = 0;
};

// The outcome of an editing command. `message` holds the last text the command showed
// (error box or information panel); it is empty when the command was simply cancelled
// or succeeded without a message.
struct EditResult {
    bool ok = false;
    int frame = 0;                   // the frame a command made
    LineSegment* segment = nullptr;  // the last segment a command made
    int count = 0;                   // how many items the command made or removed
    std::string message;
};

// Every command first takes its named undo snapshot. When a command fails half-way
// (an exception out of memory or from a broken reference), this brings the problem back
// to that newest snapshot, drops it, rebuilds every frame's region and shows message 2
// in the error box. Returns the failed result to give back.
EditResult RestoreAfterFailure(Problem& problem);

}  // namespace kova
