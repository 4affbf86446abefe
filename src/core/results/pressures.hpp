// Nodal pressures of a Potential Flow solution by Bernoulli's equation, for the pressure
// contours that the gradient command shows in that subject.
#pragma once

#include <vector>

#include "model/types.hpp"
#include "results/flows.hpp"

namespace kova {

// Pressures from the stream function of stored level `level`: per element and corner
// p = Pref - rho |grad psi|^2 / 2 (the speed is the magnitude of the stream function's
// gradient), with rho the fluid density that the material holds in its conductivity
// block and Pref the Bernoulli constant; each node takes the mean over the elements that
// touch it. The vector is shaped like a result level (entry n for node n, 0 elsewhere).
// A density that cannot be evaluated is reported and gives false.
bool ComputePressures(const FlowContext& context, int level, std::vector<Real>& pressures);

}  // namespace kova
