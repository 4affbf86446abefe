#include "expressions/data_files.hpp"

#include <gtest/gtest.h>

#include <string>

#include "core/expressions/expression_fixture.hpp"
#include "files/problem_file.hpp"

namespace kova {
namespace {

using testing::ExpressionTest;

class DataFileTest : public ExpressionTest {
protected:
    DataFileTest() { DataFilesOf(problem).currentDirectory = folder.Path(); }

    // Loads `contents` as a file of that name; returns the list position (or < 0).
    int Load(const std::string& name, const std::string& contents) {
        folder.Write(name, contents);
        return LoadDataFile(problem, name);
    }
    const DataFile& File(int k) { return DataFilesOf(problem).files[static_cast<std::size_t>(k)]; }
    Real Lookup(int k, int c1, int c2, Real x) {
        return DataFileLookup(problem, File(k), c1, c2, x, error);
    }
    // The value of a whole entry 'name',c1,c2,x through the compiler and evaluator.
    Real Entry(const std::string& text, int& code) {
        if ((code = Compile(text)) != 0) return 0;
        return TrialEvaluation(problem, spec.compiled, code);
    }

    testing::ScratchFolder folder;
    int error = -1;
};

TEST_F(DataFileTest, InterpolatesAndExtrapolatesLinearly) {
    const int k = Load("table.txt", "0 10\n1 20\n2 40\n");
    ASSERT_EQ(k, 0);
    EXPECT_EQ(File(k).rows, 3);
    EXPECT_EQ(File(k).columns, 2);
    EXPECT_EQ(File(k).name, "TABLE.TXT");
    struct Case {
        Real x, y;
    };
    for (const Case& c : {Case{1.5L, 30}, Case{3, 60}, Case{-1, 0}, Case{1, 20}, Case{0, 10},
                          Case{2, 40}, Case{0.25L, 12.5L}}) {
        EXPECT_REAL_NEAR(Lookup(k, 1, 2, c.x), c.y, 1e-16L) << static_cast<double>(c.x);
        EXPECT_EQ(error, 0);
    }
    // The inverse lookup: column 2 as abscissa.
    EXPECT_REAL_NEAR(Lookup(k, 2, 1, 30), 1.5L, 1e-17L);
}

TEST_F(DataFileTest, DecreasingAndSteppedColumns) {
    const int k = Load("down.txt", "3 1\n2 2\n1 4\n1 8\n0 9\n");
    ASSERT_EQ(k, 0);
    EXPECT_REAL_NEAR(Lookup(k, 1, 2, 2.5L), 1.5L, 1e-17L);
    EXPECT_REAL_NEAR(Lookup(k, 1, 2, 0.5L), 8.5L, 1e-17L);
    EXPECT_REAL_NEAR(Lookup(k, 1, 2, 5), -1, 1e-17L);  // beyond the first row
    EXPECT_EQ(error, 0);
    EXPECT_EQ(FindDataRow(problem, File(k), 1, 2.5L), 1);
    EXPECT_EQ(FindDataRow(problem, File(k), 1, -4), 5);
    // Exactly at the step the search counts a zero difference as not negative: it ends
    // on rows 4 and 5 here (8), and on rows 2 and 3 of a rising step, whose equal
    // abscissae give the first row's ordinate (0).
    EXPECT_EQ(FindDataRow(problem, File(k), 1, 1), 4);
    EXPECT_REAL_NEAR(Lookup(k, 1, 2, 1), 8, 1e-17L);
    const int up = Load("up.txt", "0 0\n1 0\n1 10\n2 10\n3 40\n");
    ASSERT_EQ(up, 1);
    EXPECT_EQ(FindDataRow(problem, File(up), 1, 1), 2);
    struct Case {
        Real x, y;
    };
    for (const Case& c : {Case{1, 0}, Case{0, 0}, Case{2, 10}, Case{3, 40}, Case{2.5L, 25}})
        EXPECT_REAL_NEAR(Lookup(up, 1, 2, c.x), c.y, 1e-17L) << static_cast<double>(c.x);
    EXPECT_EQ(error, 0);
}

TEST_F(DataFileTest, ColumnCountFollowsTheFirstLine) {
    ASSERT_EQ(Load("three.txt", "1 2 3\n4 5 6\n"), 0);
    EXPECT_EQ(File(0).columns, 3);
    ASSERT_EQ(Load("spaces.txt", "   1    2  \n4 5\n"), 1);
    EXPECT_EQ(File(1).columns, 2);
    // A leading tab is an empty field: four columns, so rows of three numbers are short.
    EXPECT_EQ(Load("tab.txt", "\t1 2 3\n\t4 5 6\n"), kDataFileUnusable);
    EXPECT_EQ(reporter.Errors().back(),
              "File TAB.TXT has 3 numbers in row 1.  4 numbers are required.");
    ASSERT_EQ(Load("tabs.txt", "1\t2\t3\r\n4\t5\t6\r\n"), 2);  // CR LF line ends
    EXPECT_EQ(File(2).columns, 3);
    EXPECT_REAL_NEAR(Lookup(2, 1, 3, 2.5L), 4.5L, 1e-17L);
    // Rows with more numbers than columns: the rest of the line is ignored.
    ASSERT_EQ(Load("extra.txt", "0 1\n1 2 99 comment\n"), 3);
    EXPECT_REAL_NEAR(Lookup(3, 1, 2, 0.5L), 1.5L, 1e-17L);
}

TEST_F(DataFileTest, BlankLinesAreNotRows) {
    ASSERT_EQ(Load("blank.txt", "\n  \n0 1\n\n\t\n2 5\n\n"), 0);
    EXPECT_EQ(File(0).rows, 2);
    EXPECT_REAL_NEAR(Lookup(0, 1, 2, 1), 3, 1e-17L);
}

TEST_F(DataFileTest, UnusableFilesGiveTheirMessageAndAreNotKept) {
    struct Case {
        const char* name;
        std::string contents;
        std::string message;
    };
    const Case cases[] = {
        {"comma.txt", "0 1\n1,5 2\n",
         "Please change the commas in file COMMA.TXT to a space or tab character."},
        {"one.txt", "1\n2\n", "File ONE.TXT has 1 columns.  A minimum of 2 columns is required."},
        {"empty.txt", "", "File EMPTY.TXT has 0 columns.  A minimum of 2 columns is required."},
        {"blank.txt", " \n\n",
         "File BLANK.TXT has 0 columns.  A minimum of 2 columns is required."},
        {"row.txt", "\n1 2\n\n", "File ROW.TXT has 1 rows.  A minimum of 2 rows is required."},
        {"ragged.txt", "1 2 3\n4 5\n6 7 8\n",
         "File RAGGED.TXT has 2 numbers in row 2.  3 numbers are required."},
        {"words.txt", "x y\n1 2\n", "File WORDS.TXT has a value in row 1 that is not a number."},
        {"junk.txt", "1 2\n3 4abc\n", "File JUNK.TXT has a value in row 2 that is not a number."},
        {"inf.txt", "1 2\n3 inf\n", "File INF.TXT has a value in row 2 that is not a number."},
        {"huge.txt", "1 2\n3 1e99999\n",
         "File HUGE.TXT has a value in row 2 that is not a number."},
        {"binary.txt", std::string("\x01\x02\x00\xff 7\n1 2\n", 11),
         "File BINARY.TXT has a value in row 1 that is not a number."},
    };
    for (const Case& c : cases) {
        reporter.Clear();
        problem.errorCode = 0;
        EXPECT_EQ(Load(c.name, c.contents), kDataFileUnusable) << c.name;
        EXPECT_EQ(problem.errorCode, 100) << c.name;
        EXPECT_EQ(reporter.Errors(), std::vector<std::string>{c.message}) << c.name;
    }
    EXPECT_EQ(DataFilesOf(problem).Count(), 0);
    // Fixed on disk, the file loads at the next reference.
    EXPECT_EQ(Load("comma.txt", "0 1\n1.5 2\n"), 0);
}

TEST_F(DataFileTest, MoreThan24ColumnsKeepsTheFirst24) {
    std::string line;
    for (int c = 1; c <= 30; ++c) line += std::to_string(c) + " ";
    ASSERT_EQ(Load("wide.txt", line + "\n" + line + "\n"), 0);
    EXPECT_EQ(
        reporter.Errors(),
        std::vector<std::string>{"File WIDE.TXT has 30 columns.  Only the first 24 will be read."});
    EXPECT_EQ(File(0).columns, 24);
    EXPECT_EQ(File(0).At(24, 2), 24);
}

TEST_F(DataFileTest, EnormousFilesAreRefusedWithoutReadingThem) {
    std::string big;
    big.reserve(kMaxDataFileBytes + 100);
    while (big.size() <= kMaxDataFileBytes) big += "1 2\n";
    EXPECT_EQ(Load("big.txt", big), kDataFileUnusable);
    EXPECT_EQ(problem.errorCode, 100);
    EXPECT_EQ(reporter.Errors(),
              std::vector<std::string>{
                  "File BIG.TXT is larger than 8 MB and cannot be read as a table."});
}

TEST_F(DataFileTest, ColumnsOutsideTheFileAndUnorderedAbscissae) {
    ASSERT_EQ(Load("t.txt", "0 5 1\n1 6 0\n2 7 1\n"), 0);
    int code = 0;
    for (const char* text : {"'t.txt',0,2,1", "'t.txt',4,2,1", "'t.txt',1,4,1"}) {
        reporter.Clear();
        Entry(text, code);
        EXPECT_EQ(code, 100) << text;
    }
    EXPECT_EQ(reporter.Errors(),
              std::vector<std::string>{"File T.TXT has 3 columns.  Column 4 was referenced."});
    reporter.Clear();
    Entry("'t.txt',3,1,0.5", code);
    EXPECT_EQ(code, 100);
    EXPECT_EQ(reporter.Errors(),
              std::vector<std::string>{
                  "Column 3 of file T.TXT is not in increasing or decreasing order."});
    EXPECT_EQ(FindDataRow(problem, File(0), 0, 1), -999);
    EXPECT_REAL_NEAR(Entry("'t.txt',1,2,T/100", code), 6, 1e-17L);
    EXPECT_EQ(code, 0);
}

TEST_F(DataFileTest, FileNumberOutsideTheListIsMissing) {
    ASSERT_EQ(Compile("FILE(3,1,2,T)"), 0);
    int code = 0;
    TrialEvaluation(problem, spec.compiled, code);
    EXPECT_EQ(code, 100);
    EXPECT_EQ(reporter.Errors(),
              std::vector<std::string>{"Missing file in a boundary specification."});
}

TEST_F(DataFileTest, MissingFilesAreReportedUnlessAProblemFileIsBeingRead) {
    EXPECT_EQ(LoadDataFile(problem, "nothing.txt"), kDataFileNotFound);
    EXPECT_EQ(problem.errorCode, -1);
    EXPECT_EQ(reporter.Errors(),
              std::vector<std::string>{"File " + (folder.Path() / "NOTHING.TXT").string() +
                                       " was not found."});
    reporter.Clear();
    EXPECT_EQ(LoadDataFile(problem, "/no/such/dir/x.txt"), kDataFileNotFound);
    EXPECT_EQ(reporter.Errors(),
              std::vector<std::string>{"File /NO/SUCH/DIR/X.TXT was not found."});
    // A control character in the name never reaches the file system.
    folder.Write("real.txt", "0 1\n1 2\n");
    EXPECT_EQ(LoadDataFile(problem, std::string("real.txt\0.bak", 13)), kDataFileNotFound);
    reporter.Clear();
    problem.suppressMissingDataFileMessage = true;
    EXPECT_EQ(LoadDataFile(problem, "nothing.txt"), kDataFileNotFound);
    EXPECT_TRUE(reporter.events.empty());
}

TEST_F(DataFileTest, NamesAreFoundWhereverTheUserMeantThem) {
    std::filesystem::create_directory(folder.Path() / "sub");
    folder.Write("sub/inner.txt", "0 1\n1 2\n");
    // Both separators; letter case does not matter.
    const int k = LoadDataFile(problem, "sub\\INNER.TXT");
    ASSERT_EQ(k, 0);
    EXPECT_EQ(LoadDataFile(problem, "SUB\\inner.txt"), k);  // the same name upper-cased
    const int abs = LoadDataFile(problem, (folder.Path() / "sub/inner.txt").string());
    EXPECT_EQ(abs, 1);  // another name for the list

    // A path that does not exist falls back to the bare name in the current directory,
    // then in the directory of the last problem file read.
    folder.Write("here.txt", "0 3\n1 4\n");
    EXPECT_EQ(LoadDataFile(problem, "C:\\DATA\\here.txt"), 2);
    EXPECT_EQ(File(2).name, "HERE.TXT");
    DataFilesOf(problem).problemDirectory = folder.Path() / "sub";
    // Found there under its full name, which the list already holds.
    EXPECT_EQ(LoadDataFile(problem, "/elsewhere/inner.txt"), abs);
    folder.Write("sub/only.txt", "0 7\n1 8\n");
    EXPECT_EQ(LoadDataFile(problem, "/elsewhere/only.txt"), 3);
    EXPECT_EQ(File(3).At(2, 1), 7);
    EXPECT_EQ(problem.errorCode, 0);

    // A directory is not a table.
    std::filesystem::create_directory(folder.Path() / "dir.txt");
    reporter.Clear();
    EXPECT_EQ(LoadDataFile(problem, "dir.txt"), kDataFileUnusable);
    EXPECT_EQ(reporter.BeepCount(), 1);
}

TEST_F(DataFileTest, TablesBesideAProblemFileAreFoundWhenItIsRead) {
    std::filesystem::create_directory(folder.Path() / "work");
    folder.Write("work/props.txt", "0 1\n100 3\n");
    DataFilesOf(problem).currentDirectory = folder.Path() / "work";
    const int i = FindOrAddSpec(problem, kSpecFlux, false, "'props.txt',1,2,T", 0);
    ASSERT_GT(i, 0);
    const std::filesystem::path file = folder.Path() / "work" / "a.KVX";
    ASSERT_TRUE(WriteProblemFile(problem, file.string()));

    // Another session whose current directory does not hold the table.
    Problem other;
    other.SetReporter(&reporter);
    DataFilesOf(other).currentDirectory = folder.Path();
    reporter.Clear();
    ASSERT_TRUE(ReadProblemFile(other, file.string()));
    EXPECT_TRUE(reporter.Errors().empty());
    EXPECT_EQ(DataFilesOf(other).problemDirectory, folder.Path() / "work");
    ASSERT_GT(other.specs[i].compiled[0], 0);
    int code = -1;
    EXPECT_REAL_NEAR(EvaluateSpec(other, i, code, 0, 50, 0, 0, 0), 2, 1e-17L);
    EXPECT_EQ(code, 0);
}

TEST_F(DataFileTest, ClearingEmptiesTheListButKeepsTheDirectories) {
    ASSERT_EQ(Load("a.txt", "0 1\n1 2\n"), 0);
    ClearDataFiles(problem);
    EXPECT_EQ(DataFilesOf(problem).Count(), 0);
    EXPECT_EQ(DataFilesOf(problem).currentDirectory, folder.Path());
    EXPECT_EQ(LoadDataFile(problem, "a.txt"), 0);
}

}  // namespace
}  // namespace kova
