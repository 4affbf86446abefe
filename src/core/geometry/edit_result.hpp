// What the geometry editing operations and commands take and give back: the positions a user clicks
// and the outcome of a command.
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
    // Set by an operation that refused after changing the problem: the command that ran
    // it puts the problem back as its undo snapshot holds it.
    bool putBack = false;
};

}  // namespace kova
