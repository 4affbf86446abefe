// Replays the fuzz seeds and every input that ever upset the problem file fuzz target,
// checking the properties the target checks: a refused file leaves an empty problem; an
// accepted one writes out again, reads back to the same image and survives an undo.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "files/problem_file.hpp"
#include "files/undo_snapshots.hpp"

namespace kova {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

std::vector<fs::path> InputsIn(const fs::path& dir) {
    std::vector<fs::path> files;
    if (!fs::exists(dir)) return files;
    for (const auto& e : fs::directory_iterator(dir)) {
        if (e.is_regular_file() && e.path().extension() != ".md") files.push_back(e.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

void CheckInput(const fs::path& path) {
    SCOPED_TRACE(path.string());
    std::ifstream in(path, std::ios::binary);
    const Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Problem problem;
    RecordingReporter reporter;
    problem.SetReporter(&reporter);
    if (!ReadProblemImage(problem, bytes, "input.KVX")) {
        EXPECT_EQ(problem.nodes.Count(), 0);
        EXPECT_EQ(problem.lines.Count(), 0);
        EXPECT_EQ(problem.frameCount, 0);
        ASSERT_EQ(reporter.Errors().size(), 1u);
        return;
    }
    const Bytes image = EncodeProblemFile(problem);
    Problem again;
    ASSERT_TRUE(ReadProblemImage(again, image, "again.KVX"));
    EXPECT_TRUE(EncodeProblemFile(again) == image);
    SaveUndoSnapshot(problem, "Replay");
    EXPECT_TRUE(RestoreUndoSnapshot(problem, true));
}

TEST(ProblemFileFuzzInputs, SeedsAndEveryInputThatEverCrashedAreHandled) {
    // The seeds are files the writer produced: they must load.
    const auto seeds = InputsIn(fs::path(KOVA_SOURCE_DIR) / "fuzz/corpus/problem_file");
    ASSERT_FALSE(seeds.empty());
    for (const fs::path& seed : seeds) {
        std::ifstream in(seed, std::ios::binary);
        const Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        Problem problem;
        EXPECT_TRUE(ReadProblemImage(problem, bytes, "seed.KVX")) << seed;
        CheckInput(seed);
    }
    for (const fs::path& input :
         InputsIn(fs::path(KOVA_SOURCE_DIR) / "fuzz/corpus/problem_file/regressions")) {
        CheckInput(input);
    }
}

}  // namespace
}  // namespace kova
