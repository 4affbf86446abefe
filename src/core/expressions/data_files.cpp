#include "expressions/data_files.hpp"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <system_error>

#include "model/number_format.hpp"
#include "model/problem.hpp"

namespace kova {
namespace {

namespace fs = std::filesystem;

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

bool IsBlankLine(std::string_view line) {
    return std::all_of(line.begin(), line.end(), IsBlank);
}

// Fields of a table's first line: leading spaces are skipped, the first space, comma or
// tab ends a field, and this repeats on the rest; text left at the end is one more field.
// A run of spaces is one separator, but each tab ends a field (a leading tab counts as
// an empty field).
int CountFields(std::string_view line) {
    int count = 0;
    for (;;) {
        const std::size_t start = line.find_first_not_of(' ');
        line = start == std::string_view::npos ? std::string_view() : line.substr(start);
        const std::size_t end = line.find_first_of(" ,\t");
        if (end == std::string_view::npos) {
            if (!line.empty()) ++count;
            return count;
        }
        ++count;
        line = line.substr(end + 1);
    }
}

// Takes the next line (without its line end) off the front of `text`.
std::string_view NextLine(std::string_view& text) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

// The next blank-separated field of `line` from `at`, or an empty view at the end.
std::string_view NextField(std::string_view line, std::size_t& at) {
    while (at < line.size() && IsBlank(line[at])) ++at;
    const std::size_t start = at;
    while (at < line.size() && !IsBlank(line[at])) ++at;
    return line.substr(start, at - start);
}

ColumnOrder OrderOf(const std::vector<Real>& v, int rows) {
    bool increasing = true;
    bool decreasing = true;
    for (int r = 1; r < rows; ++r) {
        const Real a = v[static_cast<std::size_t>(r)];
        const Real b = v[static_cast<std::size_t>(r + 1)];
        if (b < a) increasing = false;
        if (b > a) decreasing = false;
    }
    if (increasing) return ColumnOrder::Increasing;
    return decreasing ? ColumnOrder::Decreasing : ColumnOrder::Unordered;
}

void ShowColumnMessage(Problem& problem, const DataFile& file, int column) {
    problem.reporter().ShowError("File " + file.name + " has " + std::to_string(file.columns) +
                                 " columns.  Column " + std::to_string(column) +
                                 " was referenced.");
}

enum class Probe { Missing, RegularFile, Other };

// Whether `path` names a regular file. When it does not exist as written, a file in the
// same directory whose name differs only in letter case is taken instead: names are
// upper-cased when typed, and the tables may come from a system that ignores case.
Probe ProbeFile(fs::path& path) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (!ec && fs::exists(status)) {
        return fs::is_regular_file(status) ? Probe::RegularFile : Probe::Other;
    }
    const fs::path parent = path.has_parent_path() ? path.parent_path() : fs::path(".");
    const std::string wanted = Upper(path.filename().string());
    if (wanted.empty()) return Probe::Missing;
    fs::directory_iterator it(parent, ec);
    if (ec) return Probe::Missing;
    for (const fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec) return Probe::Missing;
        if (Upper(it->path().filename().string()) == wanted) {
            path = it->path();
            const fs::file_status s = fs::status(path, ec);
            if (ec) return Probe::Missing;
            return fs::is_regular_file(s) ? Probe::RegularFile : Probe::Other;
        }
    }
    return Probe::Missing;
}

// Reads at most kMaxDataFileBytes + 1 bytes, so that a file that grows or lies about its
// size (as files of the process file system do) cannot make the read unbounded.
bool ReadBounded(const fs::path& path, std::string& contents) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    contents.clear();
    std::string chunk(64 * 1024, '\0');
    while (contents.size() <= kMaxDataFileBytes) {
        in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        contents.append(chunk.data(), static_cast<std::size_t>(in.gcount()));
        if (in.bad()) return false;
        if (!in) break;
    }
    return true;
}

}  // namespace

int DataFileList::Find(const std::string& name) const {
    for (std::size_t i = 0; i < files.size(); ++i)
        if (files[i].name == name) return static_cast<int>(i);
    return -1;
}

DataFileList& DataFilesOf(Problem& problem) {
    if (!problem.dataFiles) problem.dataFiles = std::make_shared<DataFileList>();
    return *problem.dataFiles;
}

void ClearDataFiles(Problem& problem) {
    if (problem.dataFiles) problem.dataFiles->files.clear();
}

bool ReadDataTable(Problem& problem, const std::string& name, const std::string& contents,
                   DataFile& file) {
    Reporter& reporter = problem.reporter();
    file = DataFile{};
    file.name = name;

    // First pass: commas, the number of columns (from the first line that is not blank),
    // the number of rows (lines that are not blank).
    std::vector<std::string_view> rows;
    int columns = -1;
    for (std::string_view rest = contents; !rest.empty();) {
        const std::string_view line = NextLine(rest);
        if (line.find(',') != std::string_view::npos) {
            reporter.ShowError("Please change the commas in file " + name +
                               " to a space or tab character.");
            return false;
        }
        if (IsBlankLine(line)) continue;
        if (columns < 0) {
            columns = CountFields(line);
            if (columns > kMaxDataColumns) {
                reporter.ShowError("File " + name + " has " + std::to_string(columns) +
                                   " columns.  Only the first " + std::to_string(kMaxDataColumns) +
                                   " will be read.");
                columns = kMaxDataColumns;
            } else if (columns < 2) {
                break;
            }
        }
        rows.push_back(line);
    }
    if (columns < 2) {
        reporter.ShowError("File " + name + " has " + std::to_string(std::max(columns, 0)) +
                           " columns.  A minimum of 2 columns is required.");
        return false;
    }
    const int n = static_cast<int>(rows.size());
    if (n < 2) {
        reporter.ShowError("File " + name + " has " + std::to_string(n) +
                           " rows.  A minimum of 2 rows is required.");
        return false;
    }

    // Second pass: m numbers from each row's own line; the rest of the line is ignored.
    file.rows = n;
    file.columns = columns;
    file.data.assign(static_cast<std::size_t>(columns) + 1, {});
    for (int c = 1; c <= columns; ++c)
        file.data[static_cast<std::size_t>(c)].assign(static_cast<std::size_t>(n) + 1, 0.0L);
    for (int r = 1; r <= n; ++r) {
        const std::string_view line = rows[static_cast<std::size_t>(r - 1)];
        std::size_t at = 0;
        for (int c = 1; c <= columns; ++c) {
            const std::string_view field = NextField(line, at);
            if (field.empty()) {
                reporter.ShowError("File " + name + " has " + std::to_string(c - 1) +
                                   " numbers in row " + std::to_string(r) + ".  " +
                                   std::to_string(columns) + " numbers are required.");
                return false;
            }
            const std::optional<Real> value = ParseDecimal(field);
            if (!value) {
                reporter.ShowError("File " + name + " has a value in row " + std::to_string(r) +
                                   " that is not a number.");
                return false;
            }
            file.data[static_cast<std::size_t>(c)][static_cast<std::size_t>(r)] = *value;
        }
    }
    file.order.assign(static_cast<std::size_t>(columns) + 1, ColumnOrder::Increasing);
    for (int c = 1; c <= columns; ++c)
        file.order[static_cast<std::size_t>(c)] =
            OrderOf(file.data[static_cast<std::size_t>(c)], n);
    return true;
}

int LoadDataFile(Problem& problem, const std::string& name) {
    DataFileList& list = DataFilesOf(problem);
    // A name with a control character (a NUL would cut the path short) names no file.
    const bool printable = std::none_of(name.begin(), name.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
    });
    const std::string key = Upper(name);
    if (const int at = list.Find(key); at >= 0) return at;

    // Both separators are accepted; a leading separator or drive letter makes the name
    // absolute.
    std::string portable = name;
    std::replace(portable.begin(), portable.end(), '\\', '/');
    const bool driveLetter =
        portable.size() >= 2 && portable[1] == ':' &&
        ((portable[0] >= 'A' && portable[0] <= 'Z') || (portable[0] >= 'a' && portable[0] <= 'z'));
    const bool absolute = (!portable.empty() && portable[0] == '/') || driveLetter;
    const std::size_t slash = portable.rfind('/');
    const bool hasPath = slash != std::string::npos || driveLetter;
    const std::string bare = slash == std::string::npos
                                 ? (driveLetter ? portable.substr(2) : portable)
                                 : portable.substr(slash + 1);

    std::error_code ec;
    fs::path current = list.currentDirectory;
    if (current.empty()) current = fs::current_path(ec);

    // The name as given, then the bare name in the current directory, then the bare name
    // in the directory of the last problem file read. Each has its own name in the list.
    struct Candidate {
        fs::path path;
        std::string key;
    };
    std::vector<Candidate> candidates;
    // A drive letter means nothing on systems without drives; only the bare name is tried.
    if (printable && !portable.empty() && !(driveLetter && fs::path(portable).is_relative())) {
        const fs::path given(portable);
        candidates.push_back({absolute ? given : current / given, key});
    }
    if (printable && hasPath && !bare.empty()) candidates.push_back({current / bare, Upper(bare)});
    if (printable && !list.problemDirectory.empty() && !bare.empty()) {
        const fs::path inProblemDir = list.problemDirectory / bare;
        candidates.push_back({inProblemDir, Upper(inProblemDir.generic_string())});
    }

    for (Candidate& candidate : candidates) {
        const Probe probe = ProbeFile(candidate.path);
        if (probe == Probe::Missing) continue;
        if (const int at = list.Find(candidate.key); at >= 0) return at;
        if (probe == Probe::Other) {
            // Not a plain file (a directory, a device, a pipe): nothing that can be read
            // as a table, and reading it could block.
            problem.reporter().Beep();
            problem.errorCode = 100;
            return kDataFileUnusable;
        }
        const std::uintmax_t size = fs::file_size(candidate.path, ec);
        std::string contents;
        if (!ec && size > kMaxDataFileBytes) {
            contents.clear();
        } else if (!ReadBounded(candidate.path, contents)) {
            problem.reporter().Beep();
            problem.errorCode = 100;
            return kDataFileUnusable;
        }
        if ((!ec && size > kMaxDataFileBytes) || contents.size() > kMaxDataFileBytes) {
            problem.reporter().ShowError("File " + candidate.key + " is larger than " +
                                         std::to_string(kMaxDataFileBytes / (1024 * 1024)) +
                                         " MB and cannot be read as a table.");
            problem.errorCode = 100;
            return kDataFileUnusable;
        }
        DataFile file;
        if (!ReadDataTable(problem, candidate.key, contents, file)) {
            problem.errorCode = 100;
            return kDataFileUnusable;
        }
        list.files.push_back(std::move(file));
        return list.Count() - 1;
    }

    if (!problem.suppressMissingDataFileMessage) {
        std::string shown = key;
        if (!hasPath) shown = (current / key).string();
        problem.reporter().ShowError("File " + shown + " was not found.");
    }
    problem.errorCode = kDataFileNotFound;
    return kDataFileNotFound;
}

int FindDataRow(Problem& problem, const DataFile& file, int column, Real x) {
    if (column < 1 || column > file.columns) {
        ShowColumnMessage(problem, file, column);
        return -999;
    }
    const int n = file.rows;
    auto v = [&](int r) { return file.At(column, r); };
    auto negative = [](Real d) { return d < 0; };
    const Real d1 = v(1) - x;
    const Real dn = v(n) - x;
    if (d1 == 0) return 1;
    if (dn == 0) return n;

    Real candidate;
    if (negative(d1) != negative(dn)) {
        int lo = 1;
        int hi = n;
        while (hi - lo > 1) {
            const int mid = (lo + hi) / 2;
            if (negative(v(mid) - x) == negative(d1)) {
                lo = mid;
            } else {
                hi = mid;
            }
        }
        candidate = std::fabs(v(hi) - v(lo)) <= 1e-20L
                        ? lo
                        : lo + (x - v(lo)) * (hi - lo) / (v(hi) - v(lo));
    } else {
        int k = 0;
        for (int r = 2; r <= n - 1; ++r) {
            if (negative(v(r) - x) != negative(d1)) {
                k = r;
                break;
            }
        }
        if (k > 0) {
            const int lo = k - 1;
            const int hi = k;
            candidate =
                std::fabs(v(n) - v(1)) <= 1e-20L ? lo : lo + (x - v(1)) * (hi - lo) / (v(n) - v(1));
        } else {
            candidate = std::fabs(dn) > std::fabs(d1) ? 1 : n;
        }
    }
    if (std::isnan(candidate)) return 1;
    candidate = std::clamp<Real>(candidate, 1, n);
    return static_cast<int>(candidate);
}

Real DataFileLookup(Problem& problem, const DataFile& file, int c1, int c2, Real x,
                    int& errorCode) {
    errorCode = 0;
    int r = FindDataRow(problem, file, c1, x);
    if (r < 1) {
        errorCode = 100;
        return 0;
    }
    if (c2 < 1 || c2 > file.columns) {
        ShowColumnMessage(problem, file, c2);
        errorCode = 100;
        return 0;
    }
    if (file.order[static_cast<std::size_t>(c1)] == ColumnOrder::Unordered) {
        problem.reporter().ShowError("Column " + std::to_string(c1) + " of file " + file.name +
                                     " is not in increasing or decreasing order.");
        errorCode = 100;
        return 0;
    }
    if (r >= file.rows) r = file.rows - 1;
    const Real x1 = file.At(c1, r);
    const Real x2 = file.At(c1, r + 1);
    const Real y1 = file.At(c2, r);
    const Real y2 = file.At(c2, r + 1);
    if (x2 == x1) return y1;
    return y1 + (x - x1) * (y2 - y1) / (x2 - x1);
}

}  // namespace kova
