// kova-batch mesh, run as a program: the files it writes, what it prints and its exit
// codes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "files/problem_file.hpp"
#include "support/geometry_builders.hpp"
#include "support/model_invariants.hpp"
#include "support/triangulation_check.hpp"

namespace kova {
namespace {

namespace fs = std::filesystem;
using testing::AddFrame;
using testing::AddRectangleFrame;

struct BatchRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string ReadText(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class MeshCommandTest : public ::testing::Test {
protected:
    MeshCommandTest() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_dir = fs::temp_directory_path() / ("kova_mesh_cli_" + std::string(info->name()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    ~MeshCommandTest() override { fs::remove_all(m_dir); }

    fs::path Path(const std::string& name) const { return m_dir / name; }

    BatchRun Run(const std::string& arguments) const {
        const fs::path out = m_dir / "stdout.txt";
        const fs::path err = m_dir / "stderr.txt";
        const std::string command = std::string(KOVA_BINARY_DIR) + "/bin/kova-batch " + arguments +
                                    " >" + out.string() + " 2>" + err.string();
        const int status = std::system(command.c_str());
        BatchRun run;
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.out = ReadText(out);
        run.err = ReadText(err);
        return run;
    }

    // A square and an L-shaped frame beside it, unmeshed, written to `name`.
    std::string WriteTwoFrames(const std::string& name) {
        Problem problem;
        AddRectangleFrame(problem, 100, 100, 200, 200);
        AddFrame(
            problem,
            {{200, 100}, {400, 100}, {400, 140}, {240, 140}, {240, 300}, {200, 300}, {200, 200}});
        const fs::path path = Path(name);
        EXPECT_TRUE(WriteProblemFile(problem, path.string()));
        return path.string();
    }

    // The counts printed by a successful run.
    static int Count(const std::string& out, const std::string& label) {
        const auto at = out.find(label + ": ");
        return at == std::string::npos ? -1 : std::stoi(out.substr(at + label.size() + 2));
    }

    fs::path m_dir;
};

TEST_F(MeshCommandTest, MeshesEveryFrameIntoAValidTriangulationAndPrintsItsCounts) {
    const std::string in = WriteTwoFrames("two.kvx");
    const BatchRun run = Run(in + " " + Path("meshed.kvx").string());
    // The subcommand name comes first.
    EXPECT_NE(run.exitCode, 0);
    const BatchRun mesh = Run("mesh " + in + " " + Path("meshed.kvx").string());
    ASSERT_EQ(mesh.exitCode, 0) << mesh.err;
    EXPECT_EQ(mesh.err, "");
    EXPECT_EQ(Count(mesh.out, "frames meshed"), 2);

    Problem meshed;
    ASSERT_TRUE(ReadProblemFile(meshed, Path("meshed.kvx").string()));
    const auto report = testing::CheckTriangulation(meshed);
    ASSERT_TRUE(report.Valid()) << testing::JoinViolations(report.violations);
    EXPECT_EQ(Count(mesh.out, "nodes"), meshed.nodes.Count());
    EXPECT_EQ(Count(mesh.out, "elements"), static_cast<int>(report.triangles.size()));
    EXPECT_TRUE(testing::CompareWithElementBuilder(meshed, report).empty());

    // Two reductions quarter every element twice; a meshed file is not meshed again.
    const BatchRun reduced = Run("mesh " + Path("meshed.kvx").string() + " " +
                                 Path("fine.kvx").string() + " --reduce 2");
    ASSERT_EQ(reduced.exitCode, 0) << reduced.err;
    // One progress line per reduction on stderr, with the nodes it starts from; no bar
    // while stderr is not a terminal, and stdout holds the counts alone.
    EXPECT_EQ(reduced.err, "Reducing mesh, pass 1 of 2: " + std::to_string(meshed.nodes.Count()) +
                               " nodes\nReducing mesh, pass 2 of 2: " +
                               std::to_string(meshed.nodes.Count() + meshed.lines.Count()) +
                               " nodes\n");
    EXPECT_EQ(reduced.out.find("Reducing"), std::string::npos);
    EXPECT_EQ(Count(reduced.out, "frames meshed"), 0);
    EXPECT_EQ(Count(reduced.out, "elements"), 16 * static_cast<int>(report.triangles.size()));
    Problem fine;
    ASSERT_TRUE(ReadProblemFile(fine, Path("fine.kvx").string()));
    const auto fineReport = testing::CheckTriangulation(fine);
    EXPECT_TRUE(fineReport.Valid()) << testing::JoinViolations(fineReport.violations);
    EXPECT_EQ(Count(reduced.out, "nodes"), fine.nodes.Count());
}

TEST_F(MeshCommandTest, UsageErrorsExitWith64) {
    const std::string in = WriteTwoFrames("two.kvx");
    for (const std::string& arguments : std::vector<std::string>{
             "mesh", "mesh " + in, "mesh " + in + " out.kvx --reduce -1",
             "mesh " + in + " out.kvx --reduce many", "mesh " + in + " out.kvx --refine 2"}) {
        const BatchRun run = Run(arguments);
        EXPECT_EQ(run.exitCode, 64) << arguments;
        EXPECT_FALSE(run.err.empty()) << arguments;
    }
    EXPECT_FALSE(fs::exists("out.kvx"));
}

TEST_F(MeshCommandTest, AnUnreadableInputExitsWith66AndWritesNothing) {
    {
        std::ofstream junk(Path("junk.kvx"), std::ios::binary);
        junk << "this is not a problem file";
    }
    for (const std::string name : {"missing.kvx", "junk.kvx"}) {
        const BatchRun run = Run("mesh " + Path(name).string() + " " + Path("out.kvx").string());
        EXPECT_EQ(run.exitCode, 66) << name;
        EXPECT_NE(run.err.find("kova-batch: "), std::string::npos) << name;
        EXPECT_FALSE(fs::exists(Path("out.kvx"))) << name;
    }
}

TEST_F(MeshCommandTest, AFrameThatCannotBeMeshedExitsWith2AndWritesNothing) {
    Problem problem;
    AddRectangleFrame(problem, 100, 100, 400, 300);
    AddRectangleFrame(problem, 150, 150, 200, 200, 1);
    AddRectangleFrame(problem, 300, 150, 350, 200, 1);
    problem.frames[2].type = FrameType::Lumped;
    problem.frames[3].type = FrameType::Lumped;
    ASSERT_TRUE(WriteProblemFile(problem, Path("holes.kvx").string()));

    const BatchRun run = Run("mesh " + Path("holes.kvx").string() + " " + Path("out.kvx").string());
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("kova-batch: Unable to automesh frame 1.  Use the Element Lines"),
              std::string::npos)
        << run.err;
    EXPECT_FALSE(fs::exists(Path("out.kvx")));
}

TEST_F(MeshCommandTest, AReductionPastTheNodeLimitExitsWith2AndWritesNothing) {
    const std::string in = WriteTwoFrames("two.kvx");
    const BatchRun run = Run("mesh " + in + " " + Path("out.kvx").string() + " --reduce 9");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("The maximum number of allowable nodes in this implementation is 20000"),
              std::string::npos)
        << run.err;
    EXPECT_FALSE(fs::exists(Path("out.kvx")));
}

TEST_F(MeshCommandTest, AnOutputThatIsNotAFileIsRefusedBeforeMeshing) {
    const std::string in = WriteTwoFrames("two.kvx");
    ASSERT_EQ(::mkfifo(Path("pipe.kvx").c_str(), 0644), 0);
    const std::string out = Path("pipe.kvx").string();
    const BatchRun run = Run("mesh " + in + " " + out + " --reduce 2");
    EXPECT_EQ(run.exitCode, 2);
    // One line, and no reduction was started.
    EXPECT_EQ(run.err, "kova-batch: output '" + out +
                           "': cannot write a file there: it is a "
                           "named pipe\n");
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(fs::is_fifo(Path("pipe.kvx")));
}

TEST_F(MeshCommandTest, AnOutputThatCannotBeWrittenExitsWith2) {
    const std::string in = WriteTwoFrames("two.kvx");
    const BatchRun run = Run("mesh " + in + " " + Path("no/such/folder/out.kvx").string());
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_FALSE(run.err.empty());
    EXPECT_EQ(run.out, "");
}

}  // namespace
}  // namespace kova
