// The check that runs before every calculation (and on demand): it builds the elements,
// then verifies materials, boundary conditions, convection and (transient) initial
// values, reporting the first kind of problem found in the information line with the
// offending items marked.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "solver/element_table.hpp"

namespace kova {

class KeyState;

// What a passed check leaves for the calculation. The application owns one beside the
// problem; it stays valid until the geometry is edited.
struct CheckedConfiguration {
    ElementTable elements;
    std::vector<LineSegment*> valueLines;       // specified-value boundaries
    std::vector<LineSegment*> fluxLines;        // segments with a flux
    std::vector<LineSegment*> convectionLines;  // segments with a transfer coefficient
};

struct CheckOptions {
    bool verbose = false;      // the Check command (true) or a calculation (false)
    bool continueRun = false;  // the last calculation command was Continue
    const KeyState* keys = nullptr;
    // For a verbose check of a transient problem: runs the solver in check-only mode and
    // returns the critical time-step line to append; unset, nothing is appended.
    std::function<std::string()> transientCheckRun;
};

struct CheckResult {
    bool ok = true;           // false only when the element table could not be had
    bool errorFound = false;  // a problem was found and reported
};

CheckResult ConfigurationCheck(Problem& problem, CheckedConfiguration& checked,
                               const CheckOptions& options = {});

}  // namespace kova
