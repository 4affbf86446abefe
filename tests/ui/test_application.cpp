#include "ui/test_application.hpp"

namespace kova::ui {

QApplication& TestApplication() {
    static int argc = 1;
    static char name[] = "kova_test_ui";
    static char* argv[] = {name, nullptr};
    if (auto* existing = qobject_cast<QApplication*>(QCoreApplication::instance()))
        return *existing;
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    auto* app = new QApplication(argc, argv);
    // Settings written by the tests go under their own names, never the program's.
    QApplication::setOrganizationName("KOVA-test");
    QApplication::setApplicationName("KOVA-test");
    return *app;
}

}  // namespace kova::ui
