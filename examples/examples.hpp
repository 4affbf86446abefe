// The example problems: each is built through the program's own operations (outlines
// drawn corner by corner, Auto Mesh, Reduce Mesh, materials, boundary conditions and
// settings) so that it can be rebuilt at any time and exercises the whole path from a
// drawing to a solvable problem.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "model/problem.hpp"

namespace kova::examples {

struct Example {
    std::string name;   // file stem: <name>.KVX and descriptions/<name>.txt
    std::string title;  // one line
    std::function<void(Problem&)> build;
};

// Every example, in the order of the examples folder's description files.
const std::vector<Example>& AllExamples();

// The example of that name; null when there is none.
const Example* FindExample(const std::string& name);

// Builds one example into a fresh problem (a new Problem as the program starts it).
// Throws ExampleError when a step fails.
void BuildExample(const Example& example, Problem& problem);

}  // namespace kova::examples
