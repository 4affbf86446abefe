#include "core/expressions/expression_fixture.hpp"

#include <atomic>
#include <fstream>
#include <random>

namespace kova::testing {

ScratchFolder::ScratchFolder() {
    static std::atomic<int> counter{0};
    std::random_device rd;
    const auto base = std::filesystem::temp_directory_path();
    for (;;) {
        m_path =
            base / ("kova_expressions_" + std::to_string(rd()) + "_" + std::to_string(counter++));
        if (std::filesystem::create_directory(m_path)) break;
    }
}

ScratchFolder::~ScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

std::filesystem::path ScratchFolder::Write(const std::string& name,
                                           const std::string& contents) const {
    const auto path = m_path / name;
    std::ofstream out(path, std::ios::binary);
    out << contents;
    return path;
}

std::vector<Real> ExpressionTest::Program() const {
    const int n = static_cast<int>(spec.compiled[0]);
    return std::vector<Real>(spec.compiled.begin() + 1, spec.compiled.begin() + 1 + n);
}

Real ExpressionTest::Trial(const std::string& text, int& errorCode) {
    const int code = Compile(text);
    EXPECT_EQ(code, 0) << "compiling " << text;
    if (code != 0) {
        errorCode = code;
        return 0;
    }
    return TrialEvaluation(problem, spec.compiled, errorCode);
}

std::vector<std::string> ExpressionTest::InfoTexts() const {
    std::vector<std::string> out;
    for (const auto& e : reporter.events)
        if (e.kind == RecordingReporter::Event::Kind::Status && e.panel == StatusPanel::Info)
            out.push_back(e.text);
    return out;
}

}  // namespace kova::testing
