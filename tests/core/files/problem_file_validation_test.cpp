// Bad input: truncated, corrupted and hostile problem files are refused with the reader's
// message and leave an empty, consistent problem; saving never destroys the previous file.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>

#include "core/files/file_image.hpp"
#include "core/files/unprivileged.hpp"
#include "files/problem_file.hpp"
#include "files/undo_snapshots.hpp"
#include "model/messages.hpp"
#include "model/subjects.hpp"
#include "support/problem_builders.hpp"
#include "units/unit_labels.hpp"

namespace kova {
namespace {

using namespace test;
namespace fs = std::filesystem;

constexpr const char* kPath = "small.KVX";
constexpr const char* kRefused = "Error in reading file small.KVX";

// A small problem with one of everything that has a count.
void BuildSmallProblem(Problem& p) {
    p.ProblemReset();
    const int k = AddRectangleFrame(p, 10, 10, 60, 40, 2);
    AddTestSegment(p, 1, 3, k, k);
    p.specs.Append(StandInExpression(kSpecFlux, "2*T"));
    p.lines.First()->fluxSpec = 2;
    p.nodes[1].valueSpec = 1;
    TextItem t;
    t.theText = "x";
    p.texts.push_back(t);
    p.templatePicture.kind = 1;
    p.templatePicture.SetData(TestPictureBytes(8));
    p.groups.push_back({SelectType::Points, {NumberItem(2)}});
    p.singularPoints.push_back({1.0L, 1, 3});
    p.settings.bandCount = 20;
    RefreshGeometry(p);
    CompileWithStandIn(p);
}

// A problem whose kept settings differ from everything the small file holds, with a
// small node table so that resetting it is cheap.
class Target {
public:
    Target() {
        problem.nodes.Reallocate(16);
        SetSubjectLabels(problem, ProbTypeA::MagField, true);
        problem.settings.drawingScale = 7.5L;
        problem.materials[2].name = "Kept";
        problem.ProblemReset();
        problem.SetReporter(&reporter);
    }

    bool Load(const Bytes& b) {
        reporter.Clear();
        return ReadProblemImage(problem, b, kPath, StandInCompile);
    }

    // The state after a refused file: ProblemReset of the problem as it was before.
    void ExpectEmptyAndKept(const std::string& context) const {
        SCOPED_TRACE(context);
        const Problem& p = problem;
        EXPECT_EQ(p.nodes.Count(), 0);
        EXPECT_EQ(p.lines.Count(), 0);
        EXPECT_EQ(p.frameCount, 0);
        EXPECT_EQ(p.frames[1].VertexCount(), 0);
        EXPECT_EQ(p.specs.Count(), 1);  // the blood temperature of the reset
        EXPECT_TRUE(p.texts.empty());
        EXPECT_TRUE(p.groups.empty());
        EXPECT_TRUE(p.singularPoints.empty());
        EXPECT_FALSE(p.templatePicture.Present());
        EXPECT_EQ(p.settings.subject, ProbTypeA::MagField);
        EXPECT_EQ(p.settings.drawingScale, 7.5L);
        EXPECT_EQ(p.materials[2].name, "Kept");
        EXPECT_EQ(p.settings.bandCount, 10);
        EXPECT_FALSE(p.settings.problemSaved);
    }

    Problem problem;
    RecordingReporter reporter;
};

Bytes SmallFile() {
    Problem p;
    BuildSmallProblem(p);
    return EncodeProblemFile(p);
}

TEST(ProblemFileTruncation, EveryPrefixIsRefusedOrCompleteWithoutACrash) {
    const Bytes full = SmallFile();
    const Sections s = Walk(full);
    ASSERT_EQ(s.contour + 9, full.size());
    Target target;
    for (std::size_t length = 0; length < full.size(); ++length) {
        const Bytes prefix(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(length));
        const bool loaded = target.Load(prefix);
        if (length < s.contour) {
            ASSERT_FALSE(loaded) << length;
            ASSERT_EQ(target.reporter.Errors(), std::vector<std::string>{kRefused}) << length;
            ASSERT_EQ(target.problem.nodes.Count(), 0) << length;
            ASSERT_EQ(target.problem.lines.Count(), 0) << length;
            ASSERT_EQ(target.problem.settings.subject, ProbTypeA::MagField) << length;
        } else {
            // Only the contour settings are missing: they keep their defaults.
            ASSERT_TRUE(loaded) << length;
            ASSERT_EQ(target.problem.settings.bandCount, 10) << length;
            ASSERT_EQ(target.problem.frameCount, 1) << length;
        }
    }
    ASSERT_TRUE(target.Load(full));
    EXPECT_EQ(target.problem.settings.bandCount, 20);
    Target fresh;
    fresh.Load(Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(s.materials + 99)));
    fresh.ExpectEmptyAndKept("cut in the materials");
}

TEST(ProblemFileTruncation, EveryPrefixOfALegacyFileIsRefusedOrComplete) {
    Problem p;
    BuildSmallProblem(p);
    const Bytes full = EncodeProblemFile(p, "W8.035");
    const std::size_t contour = full.size() - 5;  // two 2-byte counts and the palette
    Target target;
    for (std::size_t length = 0; length < full.size(); ++length) {
        const Bytes prefix(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(length));
        const bool loaded = target.Load(prefix);
        ASSERT_EQ(loaded, length >= contour) << length;
        if (!loaded) {
            ASSERT_EQ(target.reporter.Errors(), std::vector<std::string>{kRefused}) << length;
            ASSERT_EQ(target.problem.nodes.Count(), 0) << length;
        }
    }
    ASSERT_TRUE(target.Load(full));
    EXPECT_EQ(target.problem.settings.bandCount, 20);
}

struct Corruption {
    const char* name;
    std::function<void(Bytes&, const Sections&)> apply;
};

TEST(ProblemFileValidation, CorruptCountsAndNumbersAreRefused) {
    const Bytes good = SmallFile();
    const Sections s = Walk(good);
    const std::size_t node1 = kNodesAt;
    const std::size_t segment1 = s.lines + 4;
    const std::size_t frame1 = s.frames + 4;
    const std::size_t spec1 = s.specs + 4;
    const std::size_t group1 = s.groups + 4;
    const std::vector<Corruption> cases = {
        {"version string longer than its field", [](Bytes& b, auto&) { b[0] = 11; }},
        {"subject 0", [](Bytes& b, auto&) { b[43] = 0; }},
        {"subject 9", [](Bytes& b, auto&) { b[43] = 9; }},
        {"unit system 2", [](Bytes& b, auto&) { b[44] = 2; }},
        {"transient method 2", [](Bytes& b, auto&) { b[69] = 2; }},
        {"grid spacing NaN", [](Bytes& b, auto&) { PutExtAt(b, 23, std::nanl("")); }},
        {"grid spacing 0", [](Bytes& b, auto&) { PutExtAt(b, 33, 0); }},
        {"drawing scale negative", [](Bytes& b, auto&) { PutExtAt(b, 94, -2.54L); }},
        {"origin infinite", [](Bytes& b, auto&) { PutExtAt(b, 49, HUGE_VALL); }},
        {"node count huge", [](Bytes& b, auto&) { PutI32At(b, kNodeCountAt, 0x7FFFFFFF); }},
        {"node count negative", [](Bytes& b, auto&) { PutI32At(b, kNodeCountAt, -1); }},
        {"node count one more", [](Bytes& b, auto&) { PutI32At(b, kNodeCountAt, 5); }},
        {"active nodes beyond the nodes", [](Bytes& b, auto&) { PutI32At(b, 352, 5); }},
        {"node position far outside", [=](Bytes& b, auto&) { PutExtAt(b, node1, 1e300L); }},
        {"node position beyond a billion pixels",
         [=](Bytes& b, auto&) { PutExtAt(b, node1 + 10, -1.5e9L); }},
        {"node position NaN", [=](Bytes& b, auto&) { PutExtAt(b, node1 + 10, std::nanl("")); }},
        {"node specification beyond the table",
         [=](Bytes& b, auto&) { PutI16At(b, node1 + 40, 3); }},
        {"node specification negative", [=](Bytes& b, auto&) { PutI16At(b, node1 + 40, -1); }},
        {"segment count huge", [](Bytes& b, auto& w) { PutI32At(b, w.lines, 1 << 30); }},
        {"segment end 0", [=](Bytes& b, auto&) { PutI32At(b, segment1, 0); }},
        {"segment end beyond the nodes", [=](Bytes& b, auto&) { PutI32At(b, segment1 + 4, 5); }},
        {"segment frame beyond the frames",
         [=](Bytes& b, auto&) { PutI32At(b, segment1 + 12, 2); }},
        {"segment frame negative", [=](Bytes& b, auto&) { PutI32At(b, segment1 + 8, -1); }},
        {"segment flux beyond the table", [=](Bytes& b, auto&) { PutI32At(b, segment1 + 54, 3); }},
        {"frame count 61", [](Bytes& b, auto& w) { PutI32At(b, w.frames, 61); }},
        {"frame count negative", [](Bytes& b, auto& w) { PutI32At(b, w.frames, -3); }},
        {"vertex count huge", [=](Bytes& b, auto&) { PutI32At(b, frame1 + 4, 0x10000000); }},
        {"vertex count negative", [=](Bytes& b, auto&) { PutI32At(b, frame1 + 4, -1); }},
        {"vertex beyond the nodes", [=](Bytes& b, auto&) { PutI32At(b, frame1 + 135 + 8, 9); }},
        {"outline start beyond the nodes", [=](Bytes& b, auto&) { PutI32At(b, frame1, 5); }},
        {"material 21", [=](Bytes& b, auto&) { PutI32At(b, frame1 + 40, 21); }},
        {"frame type 4", [=](Bytes& b, auto&) { b[frame1 + 44] = 4; }},
        {"generation beyond the table", [=](Bytes& b, auto&) { PutI32At(b, frame1 + 75, 3); }},
        {"surface flux beyond the table", [=](Bytes& b, auto&) { PutI16At(b, frame1 + 129, 3); }},
        {"1001 specifications", [](Bytes& b, auto& w) { PutI32At(b, w.specs, 1001); }},
        {"specification count beyond the file",
         [](Bytes& b, auto& w) { PutI32At(b, w.specs, 999); }},
        {"specification text length 129", [=](Bytes& b, auto&) { b[spec1 + 16] = 129; }},
        {"material name length 26", [](Bytes& b, auto& w) { b[w.materials + 4] = 26; }},
        {"text count beyond the file", [](Bytes& b, auto& w) { PutI32At(b, w.texts, 400); }},
        {"font name length 32", [](Bytes& b, auto& w) { b[w.texts + 4 + 109] = 32; }},
        {"text orientation 3", [](Bytes& b, auto& w) { b[w.texts + 4 + 151] = 3; }},
        {"picture size negative", [](Bytes& b, auto& w) { PutI32At(b, w.picture, -8); }},
        {"picture size beyond the file",
         [](Bytes& b, auto& w) { PutI32At(b, w.picture, 1 << 20); }},
        {"picture kind 3", [](Bytes& b, auto& w) { PutI32At(b, w.picture + 4, 3); }},
        {"group count huge", [](Bytes& b, auto& w) { PutI32At(b, w.groups, 1 << 29); }},
        {"group kind 21", [=](Bytes& b, auto&) { b[group1] = 21; }},
        {"group item count huge", [=](Bytes& b, auto&) { PutI32At(b, group1 + 1, 1 << 29); }},
        {"group node beyond nodes and lumps", [=](Bytes& b, auto&) { PutI32At(b, group1 + 5, 6); }},
        {"group frames without frames",
         [=](Bytes& b, auto&) { b[group1] = 0, PutI32At(b, group1 + 5, 2); }},
        {"singular point on node 0",
         [](Bytes& b, auto& w) { PutI32At(b, w.singular + 4 + 14, 0); }},
        {"singular count beyond the file",
         [](Bytes& b, auto& w) { PutI32At(b, w.singular, 9999); }},
        {"drawing order count 61", [](Bytes& b, auto& w) { PutI32At(b, w.order, 61); }},
        {"blood specification beyond the table",
         [](Bytes& b, auto& w) { PutI32At(b, w.blood, 3); }},
    };
    Target target;
    for (const Corruption& c : cases) {
        Bytes bad = good;
        c.apply(bad, s);
        ASSERT_NE(bad, good) << c.name;
        EXPECT_FALSE(target.Load(bad)) << c.name;
        EXPECT_EQ(target.reporter.Errors(), std::vector<std::string>{kRefused}) << c.name;
        target.ExpectEmptyAndKept(c.name);
    }
}

TEST(ProblemFileValidation, EveryNumberIntoATableIsHeldToItsRangeAtBothEnds) {
    // The small file has 4 nodes, 5 segments, 1 frame, 2 specifications, 20 materials
    // and a group of points (nodes and lumps, 1..5), here also read as a group of nodes
    // (1..5), of frames (1) and of lumps (5). Each field that names an entry of
    // another table is refused one below and one above its range and read at both ends.
    const Bytes good = SmallFile();
    const Sections s = Walk(good);
    ASSERT_EQ(I32At(good, kNodeCountAt), 4);
    ASSERT_EQ(I32At(good, s.lines), 5);
    ASSERT_EQ(I32At(good, s.frames), 1);
    ASSERT_EQ(I32At(good, s.specs), 2);
    ASSERT_EQ(I32At(good, s.singular), 1);
    const std::size_t node1 = kNodesAt;
    const std::size_t segment1 = s.lines + 4;
    const std::size_t frame1 = s.frames + 4;
    struct Field {
        const char* name;
        std::size_t at;
        int bytes;
        int low, high;
        int groupKind = -1;  // the kind the first group is given, when not -1
    };
    const std::size_t groupItem = s.groups + 4 + 1 + 4;
    const Field fields[] = {
        {"node value specification", node1 + 40, 2, 0, 2},
        {"segment first end", segment1, 4, 1, 4},
        {"segment second end", segment1 + 4, 4, 1, 4},
        {"segment first side", segment1 + 8, 4, 0, 1},
        {"segment second side", segment1 + 12, 4, 0, 1},
        {"segment value specification", segment1 + 50, 4, 0, 2},
        {"segment flux specification", segment1 + 54, 4, 0, 2},
        {"segment transfer specification", segment1 + 58, 4, 0, 2},
        {"segment ambient specification", segment1 + 62, 4, 0, 2},
        {"outline start", frame1, 4, 0, 4},
        {"frame material", frame1 + 40, 4, 0, 20},
        {"frame generation", frame1 + 75, 4, 0, 2},
        {"frame lump value", frame1 + 79, 4, 0, 2},
        {"fin transfer coefficient", frame1 + 125, 2, 0, 2},
        {"fin fluid temperature", frame1 + 127, 2, 0, 2},
        {"fin surface flux", frame1 + 129, 2, 0, 2},
        {"outline vertex", frame1 + 135, 4, 1, 4},
        {"group point", groupItem, 4, 1, 5},
        {"group node", groupItem, 4, 1, 5, static_cast<int>(SelectType::Nodal)},
        {"group frame", groupItem, 4, 1, 1, static_cast<int>(SelectType::Frames)},
        {"group lump", groupItem, 4, 5, 5, static_cast<int>(SelectType::Lumps)},
        {"singular point node", s.singular + 4 + 14, 4, 1, 4},
        {"active node count", 352, 4, 0, 4},
        {"blood specification", s.blood, 4, 0, 2},
    };
    for (const Field& f : fields) {
        for (int value : {f.low - 1, f.high + 1, f.low, f.high}) {
            Target target;
            Bytes b = good;
            if (f.groupKind >= 0) b[s.groups + 4] = static_cast<std::uint8_t>(f.groupKind);
            if (f.bytes == 2)
                PutI16At(b, f.at, static_cast<std::int16_t>(value));
            else
                PutI32At(b, f.at, value);
            const bool inRange = value >= f.low && value <= f.high;
            EXPECT_EQ(target.Load(b), inRange) << f.name << " " << value;
            if (!inRange) {
                EXPECT_EQ(target.reporter.Errors(), std::vector<std::string>{kRefused})
                    << f.name << " " << value;
                target.ExpectEmptyAndKept(std::string(f.name) + " " + std::to_string(value));
            }
        }
    }
}

TEST(ProblemFileValidation, OutlinesLongerThanTheSegmentsAllowAreRefused) {
    // The small problem has five segments: a frame's outline has at most six vertices,
    // and all outlines together at most ten edges.
    Target target;
    Problem twice;
    BuildSmallProblem(twice);
    ASSERT_EQ(twice.lines.Count(), 5);
    twice.frames[1].vertices = {1, 2, 3, 4, 1, 2, 3, 4, 1};
    EXPECT_FALSE(target.Load(EncodeProblemFile(twice)));
    EXPECT_EQ(target.reporter.Errors(), std::vector<std::string>{kRefused});
    target.ExpectEmptyAndKept("one outline walked twice");

    Problem three;
    BuildSmallProblem(three);
    three.frames[2] = three.frames[1];
    three.frames[3] = three.frames[1];
    three.frameCount = 3;
    EXPECT_FALSE(target.Load(EncodeProblemFile(three)));
    target.ExpectEmptyAndKept("three frames on the same four segments");
    three.frameCount = 2;  // two frames may share every segment
    EXPECT_TRUE(target.Load(EncodeProblemFile(three)));

    // An undo snapshot, taken between the steps of an edit, is not held to it.
    SaveUndoSnapshot(twice, "Lines");
    EXPECT_TRUE(RestoreUndoSnapshot(twice, true));
    EXPECT_EQ(twice.frames[1].VertexCount(), 9);
}

TEST(ProblemFileValidation, ValuesThatMerelyLookOddAreAccepted) {
    const Bytes good = SmallFile();
    const Sections s = Walk(good);
    Target target;
    // The contour settings outside the dialog's ranges take the defaults.
    Bytes bands = good;
    PutI32At(bands, s.contour, 0);
    ASSERT_TRUE(target.Load(bands));
    EXPECT_EQ(target.problem.settings.bandCount, 10);
    // An unknown line number in a group of segments gives an empty item.
    Problem p;
    BuildSmallProblem(p);
    p.groups.push_back({SelectType::Bounds, {SegmentItem(p.lines.AtPosition(2))}});
    Bytes lines = EncodeProblemFile(p);
    const Sections w = Walk(lines);
    const std::size_t secondGroup = w.groups + 4 + 1 + 4 + 4;
    ASSERT_EQ(I32At(lines, secondGroup + 5), 2);
    PutI32At(lines, secondGroup + 5, 77);
    ASSERT_TRUE(target.Load(lines));
    ASSERT_EQ(target.problem.groups.back().items.size(), 1u);
    EXPECT_EQ(target.problem.groups.back().items[0].segment, nullptr);
    // Segments are found by their stored numbers: of equal numbers the first, and a
    // number beyond the count still names its segment.
    const auto numberAt = [&](int position) { return w.lines + 4 + 74 * (position - 1) + 42; };
    Bytes twins = EncodeProblemFile(p);
    PutI32At(twins, numberAt(3), 2);
    ASSERT_TRUE(target.Load(twins));
    EXPECT_EQ(target.problem.groups.back().items[0].segment, target.problem.lines.AtPosition(2));
    Bytes far = EncodeProblemFile(p);
    PutI32At(far, numberAt(2), 1000);
    PutI32At(far, secondGroup + 5, 1000);
    ASSERT_TRUE(target.Load(far));
    EXPECT_EQ(target.problem.groups.back().items[0].segment, target.problem.lines.AtPosition(2));
    // Bytes after the last section are ignored.
    Bytes longer = good;
    longer.push_back(0xAB);
    EXPECT_TRUE(target.Load(longer));
    // The stored count of materials is not used: there are always twenty.
    Bytes count = good;
    PutI32At(count, s.materials, 3);
    EXPECT_TRUE(target.Load(count));
    EXPECT_EQ(target.problem.materials[20].name, p.materials[20].name);
}

class FileOnDisk : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("kova_files_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        problem.SetReporter(&reporter);
    }
    void TearDown() override { fs::remove_all(dir); }

    static Bytes ReadAll(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::vector<std::string> FilesInDir() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path dir;
    Problem problem;
    RecordingReporter reporter;
};

TEST_F(FileOnDisk, SaveAndOpenGiveBackTheProblem) {
    BuildRichProblem(problem);
    const std::string path = (dir / "rich.KVX").string();
    ASSERT_TRUE(WriteProblemFile(problem, path));
    EXPECT_TRUE(problem.settings.problemSaved);
    const Bytes image = EncodeProblemFile(problem);
    EXPECT_EQ(ReadAll(path), image);
    EXPECT_EQ(FilesInDir(), std::vector<std::string>{"rich.KVX"});  // no temporary left

    Problem other;
    RecordingReporter otherReporter;
    other.SetReporter(&otherReporter);
    ASSERT_TRUE(ReadProblemFile(other, path, StandInCompile));
    EXPECT_TRUE(other.settings.problemSaved);
    EXPECT_TRUE(otherReporter.Errors().empty());
    EXPECT_EQ(EncodeProblemFile(other), image);
    // The information panel showed the reading message and was cleared afterwards.
    ASSERT_GE(otherReporter.events.size(), 2u);
    EXPECT_EQ(otherReporter.events.front().text, kMsgReadingFile);
    EXPECT_EQ(otherReporter.StatusText(StatusPanel::Info), "");

    // Saving again replaces the file.
    problem.texts.clear();
    ASSERT_TRUE(WriteProblemFile(problem, path));
    EXPECT_EQ(ReadAll(path), EncodeProblemFile(problem));
    EXPECT_EQ(FilesInDir(), std::vector<std::string>{"rich.KVX"});
}

TEST_F(FileOnDisk, MissingFilesAndFoldersAreReported) {
    BuildRichProblem(problem);
    const std::string missing = (dir / "none.KVX").string();
    EXPECT_FALSE(ReadProblemFile(problem, missing));
    EXPECT_EQ(reporter.Errors(), std::vector<std::string>{"Cannot open file " + missing});
    EXPECT_EQ(problem.nodes.Count(), 0);  // the reset came first
    EXPECT_EQ(problem.lines.Count(), 0);

    reporter.Clear();
    BuildRichProblem(problem);
    const std::string nowhere = (dir / "no" / "such" / "x.KVX").string();
    EXPECT_FALSE(WriteProblemFile(problem, nowhere));
    EXPECT_EQ(reporter.Errors(), std::vector<std::string>{"Cannot open file " + nowhere});
    EXPECT_FALSE(problem.settings.problemSaved);
}

TEST_F(FileOnDisk, AFailedSaveKeepsThePreviousFile) {
    BuildRichProblem(problem);
    const std::string path = (dir / "keep.KVX").string();
    ASSERT_TRUE(WriteProblemFile(problem, path));
    const Bytes previous = ReadAll(path);
    problem.MarkProblemChanged();

    // Limit the size of files this process may write, so the save runs out of room.
    void (*oldHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved = WriteProblemFile(problem, path);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(saved);
    EXPECT_EQ(reporter.Errors(),
              std::vector<std::string>{
                  "Error in writing file.  The disk may be filled or write-protected."});
    EXPECT_EQ(ReadAll(path), previous);
    EXPECT_EQ(FilesInDir(), std::vector<std::string>{"keep.KVX"});
    EXPECT_FALSE(problem.settings.problemSaved);
}

TEST_F(FileOnDisk, ALockedFileGetsMessage12AndIsKept) {
    BuildRichProblem(problem);
    const fs::path path = dir / "locked.KVX";
    ASSERT_TRUE(WriteProblemFile(problem, path.string()));
    const Bytes previous = ReadAll(path);
    fs::permissions(path, static_cast<fs::perms>(0444));
    problem.texts.clear();
    const int failures = test::AsUnprivilegedUser(dir, [&] {
        reporter.Clear();
        problem.settings.problemSaved = false;
        int failed = WriteProblemFile(problem, path.string());
        failed += reporter.Errors() != std::vector<std::string>{GetMessage(kMsgError, 12)};
        failed += problem.settings.problemSaved;
        failed += ReadAll(path) != previous;
        return failed;
    });
    ASSERT_NE(failures, -1) << "could not run the save as an unprivileged user";
    EXPECT_EQ(failures, 0);
}

TEST_F(FileOnDisk, AFailedReplaceIsReportedAndLeavesNoTemporary) {
    BuildRichProblem(problem);
    // The target is a folder that holds a file: it cannot be replaced by a file.
    const fs::path target = dir / "folder.KVX";
    fs::create_directories(target);
    std::ofstream(target / "inside").put('x');
    EXPECT_FALSE(WriteProblemFile(problem, target.string()));
    ASSERT_EQ(reporter.Errors().size(), 1u);
    EXPECT_EQ(reporter.Errors()[0].rfind("Error ", 0), 0u);
    EXPECT_NE(reporter.Errors()[0].find(" occurred while writing the file"), std::string::npos);
    EXPECT_TRUE(fs::exists(target / "inside"));
    EXPECT_EQ(FilesInDir(), std::vector<std::string>{"folder.KVX"});
}

TEST_F(FileOnDisk, AFolderOrAnUnreadableFileIsRefusedAsUnreadable) {
    BuildRichProblem(problem);
    const std::string path = dir.string();
    EXPECT_FALSE(ReadProblemFile(problem, path));
    ASSERT_EQ(reporter.Errors().size(), 1u);
    EXPECT_EQ(problem.nodes.Count(), 0);
}

}  // namespace
}  // namespace kova
