// The one application object of the desktop tests.
#pragma once

#include <gtest/gtest.h>
#include <QApplication>
#include <QTest>

namespace kova::ui {

// Makes the application on first use, on the offscreen platform unless the environment
// names another (the scaled runs give a configured offscreen screen), and returns it;
// every test file of the program shares it, since Qt allows only one per process.
QApplication& TestApplication();

}  // namespace kova::ui

// Processes events until `expr` holds, for at most `ms` milliseconds, and fails the gtest
// test if it never does. Qt's QTRY_ macros report to QTest's own log and return quietly,
// so under gtest a wait that timed out would pass.
#define KOVA_WAIT_FOR(expr, ms)                                                 \
    ASSERT_TRUE(QTest::qWaitFor([&] { return static_cast<bool>(expr); }, (ms))) \
        << "timed out waiting for " #expr
