// KOVA, the desktop program: one optional problem file on the command line.
#include <QApplication>
#include <QCommandLineParser>
#include <QScreen>

#include "shell/main_window.hpp"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("KOVA");
    QApplication::setOrganizationName("KOVA");
    QCommandLineParser parser;
    parser.setApplicationDescription("Two-dimensional finite-element analysis of field problems");
    parser.addHelpOption();
    parser.addPositionalArgument("file", "A problem file (.KVX) to open");
    parser.process(app);
    // A name with blanks may arrive as several arguments: they are joined again.
    const QString file = parser.positionalArguments().join(' ');
    kova::ui::TKOVAMDI window;
    // The screen's whole work area first: maximising is only a request that a session
    // without a window manager ignores.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        window.setGeometry(screen->availableGeometry());
    window.showMaximized();
    window.Start(file);
    return QApplication::exec();
}
