// How the editing commands put the problem back: to the undo snapshot a command took
// before it changed anything, after a failure or a refusal half-way, and the restore
// points the mesh operations try their steps against.
#pragma once

#include <cstddef>
#include <string>

#include "geometry/edit_result.hpp"
#include "mesh/restore_points.hpp"
#include "model/problem.hpp"

namespace kova {

// Every command first takes its named undo snapshot. When a command fails half-way
// (an exception out of memory or from a broken reference), this brings the problem back
// to that newest snapshot, drops it, rebuilds every frame's region and shows message 2
// in the error box. Returns the failed result to give back.
EditResult RestoreAfterFailure(Problem& problem);

// Restores the newest undo snapshot (dropping it with `drop`) and makes sure every
// frame's region and nesting are rebuilt afterwards, which the mesh commands' point
// tests rely on. False when there was nothing to restore.
bool RestoreSnapshotWithGeometry(Problem& problem, bool drop);

// When an operation refused after changing the problem (`putBack`), brings the problem
// back to the command's snapshot and drops it, as the Undo command would.
void PutBackRefused(Problem& problem, EditResult& result);

// Restore points kept on the undo list above the command's own snapshot: pushed without
// the list's length limit, so that the points taken while the command runs never push
// the user's older steps out, and all dropped again by DropAll.
class UndoRestorePoints : public RestorePoints {
public:
    explicit UndoRestorePoints(Problem& problem);
    void Push(const std::string& name) override;
    void Restore(bool drop) override;
    void DropAll() override;

private:
    Problem& m_problem;
    std::size_t m_base;  // the undo list's length when the points were made
};

}  // namespace kova
