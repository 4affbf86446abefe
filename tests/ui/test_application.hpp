// The one application object of the desktop tests.
#pragma once

#include <QApplication>

namespace kova::ui {

// Makes the application on first use, on the offscreen platform unless the environment
// names another (the scaled runs give a configured offscreen screen), and returns it;
// every test file of the program shares it, since Qt allows only one per process.
QApplication& TestApplication();

}  // namespace kova::ui
