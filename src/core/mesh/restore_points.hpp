// A way back for the mesh operations that try a step and take it back when it fails.
// The caller provides it (the editing commands keep the points on the undo list above
// their own snapshot), so that the operations need not know how a state is recorded.
#pragma once

#include <string>

namespace kova {

class RestorePoints {
public:
    virtual ~RestorePoints() = default;
    // Records the problem as it is now as the newest point.
    virtual void Push(const std::string& name) = 0;
    // Puts the problem back to the newest point, every frame's region and nesting rebuilt
    // (the point tests of the mesh operations rely on them); with drop, the point goes.
    virtual void Restore(bool drop) = 0;
    // Drops every point pushed since these points were handed over.
    virtual void DropAll() = 0;
};

}  // namespace kova
