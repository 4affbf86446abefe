// kova-batch end to end: problem files written by the file writer are checked and
// solved by the built program; its output, files and exit codes are compared with
// analytic answers and with the texts the command line promises.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <numbers>
#include <sstream>
#include <thread>

#include "core/files/unprivileged.hpp"
#include "files/problem_file.hpp"
#include "support/mesh_builder.hpp"

namespace kova::test {
namespace {

namespace fs = std::filesystem;

const std::string kBatch = std::string(KOVA_BINARY_DIR) + "/bin/kova-batch";

struct Output {
    int code = -1;
    std::string out;
    std::string err;
    std::vector<std::string> OutLines() const {
        std::vector<std::string> lines;
        std::istringstream in(out);
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
};

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class Batch : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("kova_batch_test_" + std::to_string(::getpid()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(m_dir);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }
    fs::path Path(const std::string& name) const { return m_dir / name; }

    std::string Save(Problem& problem, const std::string& name) {
        const std::string path = Path(name).string();
        EXPECT_TRUE(WriteProblemFile(problem, path));
        return path;
    }

    Output Run(const std::string& arguments) {
        Output o;
        const fs::path out = Path("stdout.txt"), err = Path("stderr.txt");
        const std::string command =
            kBatch + " " + arguments + " >" + out.string() + " 2>" + err.string() + " </dev/null";
        const int status = std::system(command.c_str());
        o.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        o.out = ReadAll(out);
        o.err = ReadAll(err);
        return o;
    }

    fs::path m_dir;
};

// A wall 0 <= x <= 1, 0 <= y <= 0.2, k = 2, held at 100 at x = 0 and cooled by h = 5 to
// 20 at x = 1: q = 80 / (1/2 + 1/5) per unit area, 0.2 q per unit depth.
const Real kWallFlow = 80 / (1.0L / 2 + 1.0L / 5) * 0.2L;

void MakeWall(Problem& problem, bool transient = false) {
    MakeConvectiveStrip(problem, transient, 20);
    problem.settings.transientStart = 0;
    problem.settings.transientStop = 10;
    problem.settings.transientStep = 1;
}

std::string NodePath(const Problem& problem, const std::vector<std::pair<Real, Real>>& points) {
    std::string list;
    for (const auto& [x, y] : points) {
        if (!list.empty()) list += ",";
        list += std::to_string(NodeAt(problem, x, y));
    }
    return list;
}

TEST_F(Batch, CheckReportsTheElementsOrTheMarkedItems) {
    Problem good;
    MakeWall(good);
    const Output ok = Run("check " + Save(good, "wall.kvx"));
    EXPECT_EQ(ok.code, 0) << ok.err;
    EXPECT_EQ(ok.out, "No errors found. 40 elements\n");

    Problem open;
    MeshBuilder b(open);
    MeshRectangle(b, 0, 0, 1, 0.2L, 2, 1, 1);
    b.Finish();
    SetMaterial(open, 1, 1);
    const Output bad = Run("check " + Save(open, "open.kvx"));
    EXPECT_EQ(bad.code, 1);
    const auto lines = bad.OutLines();
    ASSERT_EQ(lines.size(), 2u) << bad.out;
    EXPECT_EQ(lines[1].rfind("Marked segments: ", 0), 0u) << lines[1];
    // Six outer segments lack a boundary condition.
    EXPECT_EQ(std::count(lines[1].begin(), lines[1].end(), ','), 5) << lines[1];

    Problem transient;
    MakeWall(transient, true);
    const Output t = Run("check " + Save(transient, "transient.kvx"));
    EXPECT_EQ(t.code, 0);
    EXPECT_EQ(t.out.rfind("No errors found. 40 elements.       Critical time-step estimate = ", 0),
              0u)
        << t.out;
    EXPECT_EQ(t.out.substr(t.out.size() - 5), " sec\n");
}

// The band solver shows its bandwidth before assembly; the sparse solver's is searched
// for only when asked and printed after the results, the same figure.
TEST_F(Batch, SolvePrintsTheStatusLinesInOrder) {
    Problem problem;
    MakeWall(problem);
    const std::string file = Save(problem, "wall.kvx");
    const Output band = Run("solve " + file + " --solver band");
    ASSERT_EQ(band.code, 0) << band.err;
    const auto lines = band.OutLines();
    ASSERT_EQ(lines.size(), 6u) << band.out;
    EXPECT_EQ(lines[0], "Checking problem definition.");
    EXPECT_EQ(lines[1], "No errors found. 40 elements");
    EXPECT_EQ(lines[2], "Calculations in progress...");
    EXPECT_EQ(lines[3], "No. Unknown Temperatures = 30");
    EXPECT_EQ(lines[4].rfind("Matrix Bandwidth = ", 0), 0u);
    EXPECT_EQ(lines[5], "Calculations completed in 0 sec");
    EXPECT_TRUE(band.err.empty()) << band.err;

    const Output sparse = Run("solve " + file);
    ASSERT_EQ(sparse.code, 0) << sparse.err;
    EXPECT_EQ(sparse.OutLines(),
              std::vector<std::string>({lines[0], lines[1], lines[2], lines[3], lines[5]}));

    const std::string table = Path("wall.csv").string();
    const Output asked = Run("solve " + file + " --bandwidth --table " + table);
    ASSERT_EQ(asked.code, 0) << asked.err;
    EXPECT_EQ(asked.OutLines(),
              std::vector<std::string>({lines[0], lines[1], lines[2], lines[3], lines[5],
                                        "Table written to " + table, lines[4]}));
}

TEST_F(Batch, TableLayoutsFollowTheExtension) {
    Problem problem;
    MakeWall(problem);
    const std::string file = Save(problem, "wall.kvx");
    const std::string csv = Path("wall.csv").string();
    ASSERT_EQ(Run("solve " + file + " --table " + csv + " --format fixed:4").code, 0);
    std::istringstream rows(ReadAll(csv));
    int count = 0;
    for (std::string row; std::getline(rows, row); ++count) {
        // node, X, Y, T, node balance; T is linear in x.
        std::vector<std::string> cells;
        std::size_t start = 0;
        for (std::size_t comma; (comma = row.find(", ", start)) != std::string::npos;
             start = comma + 2)
            cells.push_back(row.substr(start, comma - start));
        cells.push_back(row.substr(start));
        ASSERT_EQ(cells.size(), 5u) << row;
        const double x = std::stod(cells[1]);
        const double t = std::stod(cells[3]);
        EXPECT_NEAR(t, 100 - static_cast<double>(kWallFlow) / 0.2 / 2 * x, 1e-4) << row;
        EXPECT_EQ(cells[3].substr(cells[3].find('.')).size(), 5u) << cells[3];  // four decimals
    }
    EXPECT_EQ(count, 33);

    const std::string txt = Path("wall.txt").string();
    ASSERT_EQ(Run("solve " + file + " --table " + txt).code, 0);
    std::istringstream lookup(ReadAll(txt));
    std::string line;
    std::getline(lookup, line);
    EXPECT_EQ(line, "33 -5");
    std::vector<std::string> heads;
    for (int i = 0; i < 5; ++i) {
        std::getline(lookup, line);
        heads.push_back(line);
    }
    EXPECT_EQ(heads[0], "A4 Node ");
    EXPECT_EQ(heads[1], "A4 X [m]");
    EXPECT_EQ(heads[3], "A4 T [\u00b0C]");
    EXPECT_EQ(heads[4], "A4 Node Balance [W/m]");

    const std::string dat = Path("wall.out").string();
    ASSERT_EQ(Run("solve " + file + " --table " + dat).code, 0);
    const std::string blank = ReadAll(dat);
    EXPECT_EQ(blank.find(','), std::string::npos);
    EXPECT_EQ(blank.back(), '\n');
}

TEST_F(Batch, FlowPathMatchesThePlaneWallAndTheCylindricalShell) {
    Problem wall;
    MakeWall(wall);
    const std::string path = NodePath(wall, {{0.5L, 0}, {0.5L, 0.1L}, {0.5L, 0.2L}});
    const Output o =
        Run("solve " + Save(wall, "wall.kvx") + " --flow-path " + path + " --format float:9");
    ASSERT_EQ(o.code, 0) << o.err;
    const std::string last = o.OutLines().back();
    const auto comma = last.find(", ");
    ASSERT_NE(comma, std::string::npos) << last;
    EXPECT_EQ(last.substr(0, comma), "0.000000000E+00");
    EXPECT_NEAR(std::stod(last.substr(comma + 2)), static_cast<double>(kWallFlow), 1e-8);

    // r from 0.1 to 0.2, height 0.1, k = 1, 100 inside, 0 outside:
    // Q = 2 pi k H (T1 - T2) / ln(r2 / r1) over the whole circumference.
    Problem shell;
    shell.SetCylindrical(true);
    MeshBuilder b(shell);
    MeshRectangle(b, 0.1L, 0, 0.1L, 0.1L, 40, 2, 1);
    b.Finish();
    shell.UpdateAreaFactors();
    SetMaterial(shell, 1, 1);
    SetValueWhere(
        shell, [](Real x, Real) { return Near(x, 0.1L); }, [](Real, Real) { return 100; });
    SetValueWhere(
        shell, [](Real x, Real) { return Near(x, 0.2L); }, [](Real, Real) { return 0; });
    InsulateRest(shell);
    const std::string ring = NodePath(shell, {{0.15L, 0.1L}, {0.15L, 0.05L}, {0.15L, 0}});
    const Output c = Run("solve " + Save(shell, "shell.kvx") + " --flow-path " + ring +
                         " --format float:9 --json");
    ASSERT_EQ(c.code, 0) << c.err;
    const nlohmann::json j = nlohmann::json::parse(c.out);
    const double exact = 2 * std::numbers::pi * 0.1 * 100 / std::log(2.0);
    ASSERT_EQ(j["flowPath"].size(), 1u);
    EXPECT_NEAR(j["flowPath"][0][1].get<double>() / exact, 1.0, 2e-3);
}

TEST_F(Batch, TransientSolvePrintsAFlowPerLevelAndJson) {
    Problem problem;
    MakeWall(problem, true);
    const std::string file = Save(problem, "transient.kvx");
    const std::string path = NodePath(problem, {{0, 0}, {0, 0.1L}, {0, 0.2L}});
    const Output o = Run("solve " + file + " --flow-path " + path);
    ASSERT_EQ(o.code, 0) << o.err;
    const auto lines = o.OutLines();
    // The ratio line, then after the completion caption eleven "time, flow" lines.
    EXPECT_NE(o.out.find("User/Critical Timestep = "), std::string::npos);
    ASSERT_GE(lines.size(), 11u);
    EXPECT_EQ(lines[lines.size() - 11].rfind("0, ", 0), 0u) << lines[lines.size() - 11];
    EXPECT_EQ(lines.back().rfind("10, ", 0), 0u) << lines.back();

    const Output j = Run("solve " + file + " --json");
    ASSERT_EQ(j.code, 0);
    const nlohmann::json summary = nlohmann::json::parse(j.out);
    EXPECT_EQ(summary["resultCode"], 0);
    EXPECT_EQ(summary["levels"], 10);
    EXPECT_EQ(summary["unknowns"], 30);
    EXPECT_EQ(summary["elements"], 40);
    EXPECT_EQ(summary["message"].get<std::string>().rfind("Calculations completed in ", 0), 0u);
    EXPECT_TRUE(summary["lumps"].is_object());
    // The status lines went to stderr, so stdout holds the JSON alone.
    EXPECT_NE(j.err.find("Calculations in progress..."), std::string::npos);
}

// The sparse factorisation is chosen on the command line and gives the band solver's
// table to the digits shown, in a steady and a transient run; the JSON says the same
// unknowns and result code.
TEST_F(Batch, TheSparseSolverGivesTheBandSolversTables) {
    for (const bool transient : {false, true}) {
        Problem problem;
        MakeWall(problem, transient);
        const std::string file = Save(problem, "wall.kvx");
        const std::string band = Path("band.csv").string(), sparse = Path("sparse.csv").string();
        const Output b =
            Run("solve " + file + " --format float:9 --json --solver band --table " + band);
        const Output s = Run("solve " + file + " --format float:9 --json --solver sparse --table " +
                             sparse + (transient ? " --bandwidth" : ""));
        ASSERT_EQ(b.code, 0) << b.err;
        ASSERT_EQ(s.code, 0) << s.err;
        // Node, position and value agree to every digit shown; the nodal balances of
        // interior nodes are rounding noise around zero in both and are compared as such.
        std::istringstream bandRows(ReadAll(band)), sparseRows(ReadAll(sparse));
        int rows = 0;
        for (std::string a, b; std::getline(bandRows, a) && std::getline(sparseRows, b); ++rows) {
            const auto cut = [](const std::string& row) { return row.substr(0, row.rfind(',')); };
            EXPECT_EQ(cut(a), cut(b)) << transient;
            EXPECT_NEAR(std::stod(a.substr(a.rfind(',') + 1)),
                        std::stod(b.substr(b.rfind(',') + 1)), 1e-12)
                << a << " | " << b;
        }
        EXPECT_GE(rows, 33) << transient;
        const nlohmann::json jb = nlohmann::json::parse(b.out), js = nlohmann::json::parse(s.out);
        EXPECT_EQ(js["resultCode"], 0);
        EXPECT_EQ(js["unknowns"], jb["unknowns"]);
        // The sparse run names the band solver's bandwidth only when asked for it.
        ASSERT_TRUE(jb["bandwidth"].is_number_integer());
        if (transient)
            EXPECT_EQ(js["bandwidth"], jb["bandwidth"]);
        else
            EXPECT_FALSE(js.contains("bandwidth"));
    }
    const Output bad = Run("solve " + Path("wall.kvx").string() + " --solver dense");
    EXPECT_EQ(bad.code, 64);
}

TEST_F(Batch, LumpValuesAppearInTheJsonSummary) {
    Problem problem;
    MeshBuilder b(problem);
    MeshRectangle(b, 0, 0, 0.1L, 0.1L, 2, 2, 1);
    const int lump = b.Frame(2, FrameType::Lumped);
    b.LumpOutline(lump, {b.Node(0.1L, 0), b.Node(0.2L, 0), b.Node(0.2L, 0.1L), b.Node(0.1L, 0.1L)});
    b.Finish();
    SetMaterial(problem, 1, 1);
    SetMaterial(problem, 2, 1);
    SetValueWhere(
        problem, [](Real x, Real) { return Near(x, 0); }, [](Real, Real) { return 50; });
    SetConvectionWhere(
        problem, [](Real x, Real) { return x > 0.05L; }, 10, 50);
    InsulateRest(problem);
    const Output o = Run("solve " + Save(problem, "lump.kvx") + " --json");
    ASSERT_EQ(o.code, 0) << o.err << o.out;
    const nlohmann::json j = nlohmann::json::parse(o.out);
    // Everything is at 50, so the lump is too.
    EXPECT_NEAR(j["lumps"]["A"].get<double>(), 50, 1e-9);
}

TEST_F(Batch, CalculationFailureGoesToStderrWithExitTwo) {
    Problem problem;
    MeshBuilder b(problem);
    MeshRectangle(b, 0, 0, 1, 1, 1, 1, 1);
    b.Finish();
    SetMaterial(problem, 1, 1);
    SetValueWhere(
        problem, [](Real, Real) { return true; }, [](Real x, Real) { return x; });
    const Output o = Run("solve " + Save(problem, "over.kvx"));
    EXPECT_EQ(o.code, 2);
    EXPECT_EQ(o.err,
              "kova-batch: The number of undetermined node potentials is < 1.  The problem is "
              "over-specified since all node potentials are known.\n");
}

TEST_F(Batch, CtrlCCancelsBetweenLevelsAndKeepsTheCompletedOnes) {
    // A long transient run (a fine strip over many levels) to interrupt.
    Problem problem;
    MeshBuilder b(problem);
    MeshRectangle(b, 0, 0, 1, 1, 40, 40, 1);
    b.Finish();
    SetMaterial(problem, 1, 1, 1, 1);
    SetValueWhere(
        problem, [](Real x, Real) { return Near(x, 0); }, [](Real, Real) { return 1; });
    InsulateRest(problem);
    problem.settings.transient = true;
    for (int n = 1; n <= problem.nodes.Count(); ++n) problem.nodes[n].initialValue = 0;
    problem.settings.transientStop = 3000;
    problem.settings.transientStep = 1;
    const std::string file = Save(problem, "long.kvx");
    const std::string table = Path("partial.csv").string();
    const std::string out = Path("out.txt").string();
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        std::freopen(out.c_str(), "w", stdout);
        std::freopen("/dev/null", "w", stderr);
        execl(kBatch.c_str(), kBatch.c_str(), "solve", file.c_str(), "--table", table.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    // Wait until stepping has begun, then interrupt.
    for (int i = 0; i < 200 && ReadAll(out).find("Timestep") == std::string::npos; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    kill(pid, SIGINT);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 3);
    const std::string printed = ReadAll(out);
    EXPECT_NE(printed.find("Calculations cancelled after "), std::string::npos) << printed;
    // The table holds the time row and values up to the last completed level only.
    std::istringstream rows(ReadAll(table));
    std::string timeRow;
    std::getline(rows, timeRow);
    const auto columns = std::count(timeRow.begin(), timeRow.end(), ',') + 1;
    EXPECT_GT(columns, 4);         // time column, X, Y, at least level 0 and 1
    EXPECT_LT(columns, 3000 + 4);  // not every level
}

TEST_F(Batch, TheTableIsWrittenThroughLinksAndKeepsItsMode) {
    Problem problem;
    MakeWall(problem);
    const std::string file = Save(problem, "wall.kvx");
    const std::string expected = Path("expected.csv").string();
    ASSERT_EQ(Run("solve " + file + " --table " + expected).code, 0);

    fs::create_directories(Path("results"));
    std::ofstream(Path("results/wall.csv")) << "old";
    fs::permissions(Path("results/wall.csv"), fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink("results/wall.csv", Path("link.csv"));
    const Output o = Run("solve " + file + " --table " + Path("link.csv").string());
    ASSERT_EQ(o.code, 0) << o.err;
    EXPECT_TRUE(fs::is_symlink(Path("link.csv")));
    EXPECT_EQ(ReadAll(Path("results/wall.csv")), ReadAll(expected));
    EXPECT_EQ(fs::status(Path("results/wall.csv")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(Batch, ATableThatCannotBeWrittenIsRefusedBeforeTheCalculation) {
    Problem problem;
    MakeWall(problem);
    const std::string file = Save(problem, "wall.kvx");
    ASSERT_EQ(::mkfifo(Path("pipe.csv").c_str(), 0644), 0);
    std::vector<std::pair<std::string, std::string>> refused = {
        {Path("pipe.csv").string(), "it is a named pipe"}};
    // A device node where this process may make one: the null device, harmless to write.
    if (::mknod(Path("null.csv").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0)
        refused.push_back({Path("null.csv").string(), "it is a device"});
    for (const auto& [table, reason] : refused) {
        const Output o = Run("solve " + file + " --table " + table + " --json");
        EXPECT_EQ(o.code, 64) << table;
        EXPECT_EQ(o.err, "kova-batch: --table '" + table +
                             "': cannot write a file there: " + reason + "\n");
        EXPECT_EQ(o.out, "");  // no JSON: nothing ran
    }
    EXPECT_TRUE(fs::is_fifo(Path("pipe.csv")));

    // A read-only table, tried by a user whom its permissions stop.
    std::ofstream(Path("locked.csv")) << "kept";
    fs::permissions(Path("locked.csv"), static_cast<fs::perms>(0444));
    const std::string locked = Path("locked.csv").string();
    const std::string command = kBatch + " solve " + file + " --table " + locked + " >" +
                                Path("out.txt").string() + " 2>" + Path("err.txt").string();
    const int failures = AsUnprivilegedUser(m_dir, [&] {
        const int status = std::system(command.c_str());
        int failed = !WIFEXITED(status) || WEXITSTATUS(status) != 64;
        failed += ReadAll(Path("err.txt")) != "kova-batch: --table '" + locked +
                                                  "': cannot write a file there: the file is "
                                                  "read-only\n";
        failed += !ReadAll(Path("out.txt")).empty();
        failed += ReadAll(locked) != "kept";
        return failed;
    });
    ASSERT_NE(failures, -1) << "could not run kova-batch as an unprivileged user";
    EXPECT_EQ(failures, 0);
}

TEST_F(Batch, ATableThatRunsOutOfRoomLeavesTheOldOneByteForByte) {
    Problem problem;
    MakeWall(problem);
    const std::string file = Save(problem, "wall.kvx");
    const std::string table = Path("wall.csv").string();
    ASSERT_EQ(Run("solve " + file + " --table " + table).code, 0);
    const std::string full = ReadAll(table);
    const std::string old = full.substr(0, full.size() / 3);
    std::ofstream(table, std::ios::binary) << old;

    // The run may write files of half the table's size: the new table does not fit.
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        std::freopen(Path("out.txt").c_str(), "w", stdout);
        std::freopen(Path("err.txt").c_str(), "w", stderr);
        const rlimit limit{full.size() / 2, full.size() / 2};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(126);
        execl(kBatch.c_str(), kBatch.c_str(), "solve", file.c_str(), "--table", table.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "kova-batch ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 2);
    EXPECT_EQ(ReadAll(Path("err.txt")), "kova-batch: --table '" + table +
                                            "': the file could not be written: File too large\n");
    EXPECT_EQ(ReadAll(Path("out.txt")).find("Table written"), std::string::npos);
    EXPECT_EQ(ReadAll(table), old);
    for (const auto& e : fs::directory_iterator(m_dir))
        EXPECT_EQ(e.path().string().find(".tmp"), std::string::npos) << e.path();
}

TEST_F(Batch, BadArgumentsGetOneLineAndAUsageOrReadCode) {
    Problem problem;
    MakeWall(problem);
    const std::string file = Save(problem, "wall.kvx");
    struct Case {
        std::string arguments;
        int code;
        std::string message;
    };
    const std::string missing = Path("missing.kvx").string();
    const std::string folder = m_dir.string();
    std::ofstream(Path("junk.kvx")) << "this is not a problem file";
    const std::vector<Case> cases = {
        {"check " + missing, 66, "kova-batch: cannot read '" + missing + "': no such file\n"},
        {"solve " + folder, 66, "kova-batch: cannot read '" + folder + "': it is a directory\n"},
        {"--bogus", 64, "kova-batch: unknown option --bogus\n"},
        {"solve " + file + " --bogus", 64, "kova-batch: unknown option --bogus\n"},
        {"check " + file + " --table out.csv", 64, "kova-batch: unknown option --table\n"},
        {"check " + file + " extra.kvx", 64, "kova-batch: unexpected argument extra.kvx\n"},
        {"solve " + file + " --format float:99", 64,
         "kova-batch: --format 'float:99': expected auto:N, fixed:N or float:N with N from 0 to "
         "9\n"},
        {"solve " + file + " --format round:3", 64,
         "kova-batch: --format 'round:3': expected auto:N, fixed:N or float:N with N from 0 to "
         "9\n"},
        {"solve " + file + " --flow-path 1,,2", 64,
         "kova-batch: --flow-path '1,,2': expected two or more node numbers separated by commas\n"},
        {"solve " + file + " --flow-path 1", 64,
         "kova-batch: --flow-path '1': expected two or more node numbers separated by commas\n"},
        {"solve " + file + " --flow-path 1,33", 64,
         "kova-batch: --flow-path: nodes 1 and 33 are not joined by a line segment\n"},
        {"solve " + file + " --flow-path 1,99999", 64,
         "kova-batch: --flow-path: nodes 1 and 99999 are not joined by a line segment\n"},
        {"solve " + file + " --table " + folder, 64,
         "kova-batch: --table '" + folder + "': cannot write a file there\n"},
    };
    for (const Case& c : cases) {
        const Output o = Run(c.arguments);
        EXPECT_EQ(o.code, c.code) << c.arguments;
        EXPECT_EQ(o.err, c.message) << c.arguments;
        EXPECT_TRUE(o.out.empty()) << c.arguments << ": " << o.out;
    }
    // A file that is not a problem file gets the reader's message on one line.
    const Output junk = Run("solve " + Path("junk.kvx").string());
    EXPECT_EQ(junk.code, 66);
    EXPECT_EQ(std::count(junk.err.begin(), junk.err.end(), '\n'), 1) << junk.err;
    EXPECT_EQ(junk.err.rfind("kova-batch: ", 0), 0u) << junk.err;
}

}  // namespace
}  // namespace kova::test
