#include <QApplication>

#include "mainwindow/valve.h"
#include "widgets/appstyle.h"
#include "widgets/windowframe.h"

int main(int argc, char *argv[])
{
    // Must be in force before the application object exists.
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QApplication app(argc, argv);
    app.setStyleSheet(loadAppStyleSheet());

    // The frame takes the main window into its body and deletes it when the frame goes at the
    // end of main, after the event loop has ended.
    auto *valve = new Valve;
    windowframe frame(nullptr, valve);
    frame.show();
    return app.exec();
}
