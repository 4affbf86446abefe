// kova-examples [FOLDER] [NAME...]: builds the example problems and writes each as
// FOLDER/<name>.KVX (the current folder when none is given), printing the size and the
// smallest element angle of each mesh.
#include <exception>
#include <filesystem>
#include <iomanip>
#include <iostream>
#include <string>
#include <vector>

#include "examples.hpp"
#include "files/problem_file.hpp"
#include "sketch.hpp"

namespace {

// Messages of the operations, one line each on the error stream.
class ConsoleReporter : public kova::Reporter {
public:
    void Beep() override {}
    kova::Answer Ask(const std::string&, bool) override { return kova::Answer::Yes; }

protected:
    void DoShowError(const std::string& text) override {
        std::cerr << "kova-examples: " << text << "\n";
    }
    void DoShowStatusText(const std::string&, kova::StatusPanel) override {}
};

}  // namespace

int main(int argc, char** argv) {
    using namespace kova::examples;
    std::filesystem::path folder = ".";
    std::vector<const Example*> chosen;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::cout << "usage: kova-examples [FOLDER] [NAME...]\nexamples:";
            for (const Example& e : AllExamples()) std::cout << " " << e.name;
            std::cout << "\n";
            return 0;
        }
        if (i == 1 && FindExample(arg) == nullptr) {
            folder = arg;
            continue;
        }
        const Example* e = FindExample(arg);
        if (e == nullptr) {
            std::cerr << "kova-examples: no example named " << arg << "\n";
            return 64;
        }
        chosen.push_back(e);
    }
    if (chosen.empty())
        for (const Example& e : AllExamples()) chosen.push_back(&e);

    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    int failures = 0;
    for (const Example* e : chosen) {
        kova::Problem problem;
        ConsoleReporter reporter;
        problem.SetReporter(&reporter);
        try {
            BuildExample(*e, problem);
        } catch (const std::exception& error) {
            std::cerr << "kova-examples: " << e->name << ": " << error.what() << "\n";
            ++failures;
            continue;
        }
        const std::string path = (folder / (e->name + ".KVX")).string();
        if (!kova::WriteProblemFile(problem, path)) {
            ++failures;
            continue;
        }
        std::cout << std::left << std::setw(20) << e->name << " nodes " << std::setw(5)
                  << problem.nodes.Count() << " segments " << std::setw(5) << problem.lines.Count()
                  << " smallest element angle " << std::fixed << std::setprecision(1)
                  << static_cast<double>(SmallestElementAngle(problem)) << " degrees\n";
    }
    return failures == 0 ? 0 : 2;
}
