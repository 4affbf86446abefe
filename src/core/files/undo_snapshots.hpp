// Named undo snapshots: before a command changes the geometry or the specifications it
// records the editable problem (nodes, line segments, frames, specifications, materials,
// selection groups, text items and the template picture) in the record layouts of the
// problem file, followed by a view record: the zoom and scroll its positions were taken in
// and the scale, origin, grid, unit system and temperature scale its numbers mean. Other
// settings and the results are not part of a snapshot.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/problem.hpp"

namespace kova {

// The undo list keeps at most this many snapshots; the oldest go first.
inline constexpr std::size_t kMaxUndoSnapshots = 37;

// The snapshot image of the problem (renumbers the line segments).
std::vector<std::uint8_t> EncodeUndoSnapshot(Problem& problem);

// The snapshot as the undo list keeps it: the image without the picture's bytes, which
// it shares with the problem. Restored, it gives the problem EncodeUndoSnapshot's image
// would.
UndoSnapshot MakeUndoSnapshot(Problem& problem, const std::string& name);

// Reads a snapshot image back: nodes into the existing slots (their positions, label
// points, texts and template mapped into the current zoom and scroll), the scale, origin,
// grid, unit system and temperature scale given back (the pixel length recomputed for the
// current zoom), the line list, frames with rebuilt geometry, specifications 1..S
// overwritten in place (later entries stay), materials, groups and text items rebuilt.
// The picture's bytes come from `picture` when the image was made without them. The
// selection is cleared, since it may name segments that no longer exist. Throws
// FileFormatError on an image it cannot read.
void DecodeUndoSnapshot(Problem& problem, const std::vector<std::uint8_t>& image,
                        const TemplatePicture::Bytes& picture = nullptr);

// Appends a snapshot named `name` to the undo list, dropping the oldest first when the
// list is full.
void SaveUndoSnapshot(Problem& problem, const std::string& name);

// Restores the newest snapshot; with drop, it is then removed from the list. Returns
// false (and changes nothing) when the list is empty.
bool RestoreUndoSnapshot(Problem& problem, bool drop);

// "Undo " + the newest snapshot's name, or "Undo" when there is nothing to undo.
std::string UndoCaption(const Problem& problem);

}  // namespace kova
