#include "ui/test_application.hpp"

#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QTimer>

#include "dialogs/transient_dialog.hpp"

namespace kova::ui {

void AcceptTransientSetup(const QString& stop, std::function<void()> accepted) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, stop, accepted] {
        auto* dialog = qobject_cast<TTransientDlg*>(QApplication::activeModalWidget());
        if (dialog == nullptr) return;
        timer->stop();
        timer->deleteLater();
        if (!stop.isEmpty()) dialog->StopEdit->setText(stop);
        dialog->accept();
        if (dialog->isVisible()) {
            ADD_FAILURE() << dialog->MessageLine->text().toStdString();
            dialog->reject();
        } else if (accepted) {
            accepted();
        }
    });
    timer->start();
}

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

void ShowMainWindow(std::unique_ptr<TKOVAMDI>& window, const QString& settingsDir,
                    PromptRecord record) {
    TestApplication();
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir + "/settings");
    window = std::make_unique<TKOVAMDI>();
    window->document().answerHook = [record](const QString&, const QString& text) {
        if (record.questions != nullptr) *record.questions << text;
        if (record.answers == nullptr || record.answers->empty()) return Answer::No;
        const Answer a = record.answers->front();
        record.answers->pop_front();
        return a;
    };
    window->document().errorHook = [record](const QString& text) {
        if (record.errors != nullptr) *record.errors << text;
    };
    window->resize(1000, 700);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    window->Start();
}

}  // namespace kova::ui
