// Fuzzes the expression compiler, the trial evaluation, FindOrAddSpec and the data-table
// reader. The first byte chooses the subject, the geometry and the kind; the rest is the
// text a user might type (and, read as a file's contents, a data table).
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "expressions/compiler.hpp"
#include "expressions/data_files.hpp"
#include "expressions/evaluator.hpp"
#include "model/problem.hpp"
#include "model/subjects.hpp"
#include "units/unit_labels.hpp"

namespace {

kova::Problem& FuzzProblem() {
    static kova::Problem* problem = [] {
        auto* p = new kova::Problem();
        // Relative names resolve in a folder holding one good table.
        const auto folder = std::filesystem::temp_directory_path() / "kova_expression_fuzz";
        std::filesystem::create_directories(folder);
        std::ofstream(folder / "T.TXT") << "0 10 5\n1 20 4\n2 40 3\n";
        kova::DataFilesOf(*p).currentDirectory = folder;
        return p;
    }();
    return *problem;
}

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    kova::Problem& problem = FuzzProblem();
    const std::uint8_t mode = data[0];
    const auto subject = static_cast<kova::ProbTypeA>(1 + mode % 8);
    if (problem.settings.subject != subject) kova::SetSubjectLabels(problem, subject, false);
    problem.SetCylindrical((mode & 0x80) != 0);
    problem.suppressMissingDataFileMessage = (mode & 0x40) != 0;
    problem.specs.Clear();
    kova::ClearDataFiles(problem);
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);

    kova::BoundarySpec spec;
    const int code = kova::CompileExpression(problem, text, spec);
    Check(problem.errorCode == code);
    if (code == 0) {
        Check(spec.compiled[0] >= 1 && spec.compiled[0] <= 50);
        int error = 0;
        const kova::Real v = kova::TrialEvaluation(problem, spec.compiled, error);
        Check(error != 0 || std::isfinite(v));
    } else {
        Check(spec.compiled[0] == 0);
    }

    const int kind = 1 + (mode >> 3) % 5;
    const int index = kova::FindOrAddSpec(problem, kind, false, text, 0);
    Check(index >= 0 && index <= problem.specs.Count());
    if (index > 0) Check(std::isfinite(problem.specs[index].value));

    kova::DataFile file;
    if (kova::ReadDataTable(problem, "FUZZ.TXT", text, file)) {
        Check(file.rows >= 2 && file.columns >= 2 && file.columns <= kova::kMaxDataColumns);
        for (int c1 = 0; c1 <= file.columns + 1; ++c1) {
            for (kova::Real x : {-1e30L, -1.0L, 0.0L, 0.5L, 3.0L, 1e30L}) {
                int error = 0;
                const kova::Real y = kova::DataFileLookup(problem, file, c1, 2, x, error);
                Check(error != 0 || !std::isnan(y));
            }
        }
    }
    return 0;
}
