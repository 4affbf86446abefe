// Numeric data files for FILE lookups: plain-text tables of numbers separated by blanks
// or tabs, read once and kept in memory column by column, and the row search and linear
// interpolation that a lookup performs.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "model/types.hpp"

namespace kova {

class Problem;

inline constexpr int kMaxDataColumns = 24;
// Files above this size are refused rather than read into memory.
inline constexpr std::uintmax_t kMaxDataFileBytes = 8u * 1024u * 1024u;

// LoadDataFile results below 0.
inline constexpr int kDataFileNotFound = -1;
inline constexpr int kDataFileUnusable = -100;

// The order of a column, found when the file is read.
enum class ColumnOrder : std::uint8_t { Increasing, Decreasing, Unordered };

struct DataFile {
    std::string name;  // the upper-cased name under which the file was found
    int rows = 0;      // n >= 2
    int columns = 0;   // m, 2..24
    // columns[c] for c = 1..m holds n + 1 values; row r at index r, index 0 unused.
    std::vector<std::vector<Real>> data;
    std::vector<ColumnOrder> order;  // per column, index 0 unused

    Real At(int column, int row) const {
        return data[static_cast<std::size_t>(column)][static_cast<std::size_t>(row)];
    }
};

// The loaded files; a FILE item names one by its 0-based position. The problem holds
// one (created on first use); it is emptied when a new problem is started or the subject
// changes (ClearDataFiles), not when a problem file is opened.
struct DataFileList {
    std::vector<DataFile> files;

    // Where relative names are looked for. currentDirectory: the directory that relative
    // names are resolved against first (empty: the process's working directory).
    // problemDirectory: the directory of the most recently read problem file, tried
    // for the bare file name last; the problem-file reader sets it (empty: not tried).
    std::filesystem::path currentDirectory;
    std::filesystem::path problemDirectory;

    int Count() const { return static_cast<int>(files.size()); }
    // Position of the file with exactly this (upper-cased) name, or -1.
    int Find(const std::string& name) const;
};

// The problem's list, created when first needed.
DataFileList& DataFilesOf(Problem& problem);

// Frees every loaded file (the directories are kept).
void ClearDataFiles(Problem& problem);

// Finds or loads the file `name` (a path with / or \ separators, relative or absolute)
// and returns its 0-based position in the list. Not found: the message "File <name> was
// not found." (unless problem.suppressMissingDataFileMessage) and kDataFileNotFound.
// A file that cannot be used (commas, fewer than 2 columns or rows, a field that is not
// a number, a row with too few numbers, too large, unreadable): its message, error code
// 100 in problem.errorCode, kDataFileUnusable, and it is not kept in the list.
int LoadDataFile(Problem& problem, const std::string& name);

// Reads a table from the text of a file; `name` is used in the messages. Returns false
// (and reports) when the text cannot be used; the over-24-columns warning is reported
// and the first 24 columns are kept. Exposed for tests and fuzzing.
bool ReadDataTable(Problem& problem, const std::string& name, const std::string& contents,
                   DataFile& file);

// The row r with x between the values of rows r and r + 1 of `column` (1 outside the
// first end, n outside the last) for an ordered column. A column outside 1..m reports
// the column message and gives -999.
int FindDataRow(Problem& problem, const DataFile& file, int column, Real x);

// The value of column c2 at abscissa x in column c1, by linear interpolation between
// neighbouring rows (extrapolating from the end rows). Sets errorCode 100 with the
// column message for a column outside 1..m, and for an abscissa column that is not in
// increasing or decreasing order.
Real DataFileLookup(Problem& problem, const DataFile& file, int c1, int c2, Real x, int& errorCode);

}  // namespace kova
