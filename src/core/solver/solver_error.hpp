// The result code of a calculation. The numbers are part of the program's contract:
// the calculation command chooses its message by them, kova-batch prints them in its
// JSON summary and maps them to its exit status, so a value never changes meaning.
#pragma once

#include <cstdint>
#include <iosfwd>

namespace kova {

enum class SolverError : std::int32_t {
    Ok = 0,
    // Out of memory, not yet reported: the calculation command shows message 5. No
    // step of the driver produces it today; it is kept so that the code stays reserved.
    NoMemoryUnreported = 1,
    Singular = 2,  // a non-positive pivot in the factorisation
    Cancelled = 3,
    NumericalError = 4,  // a result beyond +-1e35
    NoMemory = 5,        // out of memory, reported where it happened
    Evaluation = 6,      // a specification could not be evaluated (already reported)
    Numbering = 7,       // the coupling graph is not connected
    // Nothing is left to solve for (every node prescribed), or a property iteration did
    // not converge; the calculation state's notConverged flag tells the two apart.
    NoUnknownsOrNotConverged = 8,
    LumpConnections = 9,  // a lump has more connections than the solver allows
};

// A material property that fails to evaluate leaves the evaluator's own error code in
// the run (a division by zero in a conductivity arrives as 4); the calculation command
// handles it like the solver code of the same number. Codes above LumpConnections are
// turned into Evaluation before they reach the command.
constexpr SolverError EvaluatorFailure(int evaluatorCode) {
    return static_cast<SolverError>(evaluatorCode);
}

// The number as the program's messages and kova-batch's summary show it.
constexpr int SolverErrorNumber(SolverError code) {
    return static_cast<int>(code);
}

// "2 (Singular)": the number and the name, for logs and test failure messages.
std::ostream& operator<<(std::ostream& out, SolverError code);

}  // namespace kova
