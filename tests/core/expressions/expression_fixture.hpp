// Shared set-up of the expression tests: a problem with a recording reporter, helpers to
// compile and evaluate texts, and a scratch folder for data files.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "expressions/compiler.hpp"
#include "expressions/evaluator.hpp"
#include "model/problem.hpp"
#include "platform/reporter.hpp"

// |a - b| <= tol computed in extended precision (EXPECT_NEAR works in double).
#define EXPECT_REAL_NEAR(a, b, tol)                                                 \
    EXPECT_LE(std::fabs(static_cast<long double>(a) - static_cast<long double>(b)), \
              static_cast<long double>(tol))                                        \
        << #a " = " << static_cast<long double>(a) << ", " #b " = " << static_cast<long double>(b)

namespace kova::testing {

// A folder under the system's temporary directory, removed with everything in it.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    // Writes `contents` to `name` inside the folder and returns the full path.
    std::filesystem::path Write(const std::string& name, const std::string& contents) const;

private:
    std::filesystem::path m_path;
};

class ExpressionTest : public ::testing::Test {
protected:
    ExpressionTest() { problem.SetReporter(&reporter); }

    // Compiles into a fresh spec; returns the error code.
    int Compile(const std::string& text) {
        spec = BoundarySpec{};
        return CompileExpression(problem, text, spec);
    }
    // Entries 1..n of the last compilation.
    std::vector<Real> Program() const;

    // Compiles and runs the trial evaluation; fails the test if compilation fails.
    Real Trial(const std::string& text, int& errorCode);
    Real Trial(const std::string& text) {
        int errorCode = -12345;
        const Real v = Trial(text, errorCode);
        EXPECT_EQ(errorCode, 0) << text;
        return v;
    }

    // The texts shown in the information panel, in order.
    std::vector<std::string> InfoTexts() const;

    Problem problem;
    RecordingReporter reporter;
    BoundarySpec spec;
};

}  // namespace kova::testing
