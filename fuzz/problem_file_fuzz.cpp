// Feeds arbitrary bytes to the problem file reader. Whatever it accepts must write out
// again, read back to the same image, and survive an undo snapshot and its restoring.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "files/problem_file.hpp"
#include "files/undo_snapshots.hpp"

namespace {

kova::Problem& Fresh(int which) {
    // Problems are reused between inputs: every read starts with ProblemReset, and a
    // small node table keeps that cheap.
    static kova::Problem* problems[2] = {nullptr, nullptr};
    if (problems[which] == nullptr) {
        problems[which] = new kova::Problem;
        problems[which]->nodes.Reallocate(64);
        problems[which]->ProblemReset();
    }
    return *problems[which];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kova::Problem& problem = Fresh(0);
    if (!kova::ReadProblemImage(problem, std::span<const std::uint8_t>(data, size), "fuzz.KVX")) {
        // A refused file leaves an empty problem.
        if (problem.nodes.Count() != 0 || problem.lines.Count() != 0 || problem.frameCount != 0) {
            std::abort();
        }
        return 0;
    }
    const std::vector<std::uint8_t> image = kova::EncodeProblemFile(problem);
    kova::Problem& again = Fresh(1);
    if (!kova::ReadProblemImage(again, image, "again.KVX")) std::abort();
    if (kova::EncodeProblemFile(again) != image) std::abort();

    kova::SaveUndoSnapshot(problem, "Fuzz");
    if (!kova::RestoreUndoSnapshot(problem, true)) std::abort();
    return 0;
}
