// morlenta-tour: starts the tool exactly as its own main() does, then drives it through the
// tour (tour.h) against the simulated controller on --port, saving pictures under --out. Closes
// the window from its own close button at the end; exits 0 only if every step passed.
#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

#include "mainwindow/valve.h"
#include "tour.h"
#include "widgets/appstyle.h"
#include "widgets/windowframe.h"

int main(int argc, char *argv[])
{
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QApplication app(argc, argv);

    tour::Options options;
    QString error;
    if (!tour::parseArguments(app.arguments().mid(1), options, error)) {
        std::fprintf(stderr, "morlenta-tour: %s\n%s", qPrintable(error), qPrintable(tour::usage()));
        return 2;
    }
    // The tool lists the simulator's pty after the system's serial ports.
    qputenv("MORLENTA_EXTRA_PORTS", options.port.toLocal8Bit());

    app.setStyleSheet(loadAppStyleSheet());
    auto *valve = new Valve;
    windowframe frame(nullptr, valve);
    frame.show();

    tour::Tour tour(&frame, valve, options);
    bool passed = false;
    QTimer::singleShot(0, &frame, [&] {
        passed = tour.run();
        frame.findChild<QPushButton *>(QStringLiteral("close"))->click();
    });
    const int code = app.exec();
    return passed ? code : 1;
}
