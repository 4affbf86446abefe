// The one application object of the desktop tests.
#pragma once

#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <deque>
#include <functional>
#include <memory>

#include "shell/main_window.hpp"

namespace kova::ui {

// Makes the application on first use, on the offscreen platform unless the environment
// names another (the scaled runs give a configured offscreen screen), and returns it;
// every test file of the program shares it, since Qt allows only one per process.
QApplication& TestApplication();

// Where a test's main window takes its questions and errors: each question is recorded in
// `questions` and answered by the front of `answers` (No once it runs out), each error box
// text goes to `errors`. A missing list is not recorded; a missing queue answers No.
struct PromptRecord {
    std::deque<Answer>* answers = nullptr;
    QStringList* questions = nullptr;
    QStringList* errors = nullptr;
};

// Answers the transient set-up when it opens: the stop time typed when given, the rest as
// shown. `accepted` runs once the dialog has closed, while the run is prepared and before
// the worker starts stepping. A refused entry fails the test and cancels, so the test
// does not wait.
void AcceptTransientSetup(const QString& stop = {}, std::function<void()> accepted = {});

// The common start of a desktop test: the application made, the settings kept under
// `settingsDir`, a 1000×700 main window made into `window` with its prompts recorded,
// shown, waited for until exposed, and started. Fails the test if it never shows.
void ShowMainWindow(std::unique_ptr<TKOVAMDI>& window, const QString& settingsDir,
                    PromptRecord record = {});

// A test on a shown main window (ShowMainWindow) whose prompts are all recorded, with its
// settings and files in a temporary folder. The problem counts as saved at the end, so
// closing asks nothing.
struct MainWindowTest : ::testing::Test {
    QTemporaryDir dir;
    std::unique_ptr<TKOVAMDI> window;
    std::deque<Answer> answers;
    QStringList questions;
    QStringList errors;

    void SetUp() override { ShowMainWindow(window, dir.path(), {&answers, &questions, &errors}); }
    void TearDown() override {
        if (window) window->document().problem().settings.problemSaved = true;
        window.reset();
    }
    Problem& problem() { return window->document().problem(); }
    // Triggers the menu command's action, which must be enabled after a menu update.
    void Trigger(Cmd cmd) {
        window->UpdateMenu();
        QAction* a = window->action(cmd);
        ASSERT_TRUE(a->isEnabled()) << a->text().toStdString();
        a->trigger();
    }
    QString Info() { return window->panel(StatusPanel::Info)->text(); }
};

}  // namespace kova::ui

// Processes events until `expr` holds, for at most `ms` milliseconds, and fails the gtest
// test if it never does. Qt's QTRY_ macros report to QTest's own log and return quietly,
// so under gtest a wait that timed out would pass.
#define KOVA_WAIT_FOR(expr, ms)                                                 \
    ASSERT_TRUE(QTest::qWaitFor([&] { return static_cast<bool>(expr); }, (ms))) \
        << "timed out waiting for " #expr
