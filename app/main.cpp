// Marrowdesk: the main window's load is the whole start-up; closing it ends
// the program.

#include "app/Appearance.h"
#include "app/Form1.h"

#include <QApplication>
#include <QLocale>

#include <cstdio>

int main(int argc, char *argv[])
{
    // Without a display Qt would stop with a message about platform plugins
    // that tells a user nothing; say what is missing instead.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        std::fputs("Marrowdesk needs a graphical display, and none was found (neither DISPLAY nor WAYLAND_DISPLAY "
                   "is set): start it from a desktop session, or under a virtual display with "
                   "'xvfb-run marrowdesk'.\n",
                   stderr);
        return 1;
    }

    QApplication app(argc, argv);
    QLocale::setDefault(QLocale::system());
    // Every window copies the program icon from here when it loads.
    QApplication::setWindowIcon(programIcon());

    Form1 window;
    window.Form_Load();
    switch (Form1::windowStateNumber(window.windowState())) {
    case 1:
        window.showMinimized();
        break;
    case 2:
        window.showMaximized();
        break;
    default:
        window.show();
        break;
    }
    return app.exec();
}
