#include "solver/solver_error.hpp"

#include <ostream>

namespace kova {
namespace {

const char* NameOf(SolverError code) {
    switch (code) {
        case SolverError::Ok:
            return "Ok";
        case SolverError::NoMemoryUnreported:
            return "NoMemoryUnreported";
        case SolverError::Singular:
            return "Singular";
        case SolverError::Cancelled:
            return "Cancelled";
        case SolverError::NumericalError:
            return "NumericalError";
        case SolverError::NoMemory:
            return "NoMemory";
        case SolverError::Evaluation:
            return "Evaluation";
        case SolverError::Numbering:
            return "Numbering";
        case SolverError::NoUnknownsOrNotConverged:
            return "NoUnknownsOrNotConverged";
        case SolverError::LumpConnections:
            return "LumpConnections";
    }
    return "evaluator code";
}

}  // namespace

std::ostream& operator<<(std::ostream& out, SolverError code) {
    return out << SolverErrorNumber(code) << " (" << NameOf(code) << ")";
}

}  // namespace kova
