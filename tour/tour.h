// The headless tour: drives the real tool, inside its frame, through a user's five jobs against
// the simulated controller, by object name only, and saves a picture of the whole frame after
// each step.
#ifndef TOUR_TOUR_H
#define TOUR_TOUR_H

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPair>
#include <QStringList>

#include "tourkit.h"

class QMainWindow;
class QWidget;

namespace tour {

// A widget the tour relies on: object name and class name.
using WidgetRef = QPair<const char *, const char *>;

// The widgets of the main window and of the frame that the tour drives or watches.
QList<WidgetRef> mainWindowWidgets();
QList<WidgetRef> frameWidgets();
// The entries of `refs` that `root` lacks, or has under another class: "name (Class)".
QStringList missingWidgets(const QWidget *root, const QList<WidgetRef> &refs);

class Tour : public QObject
{
    Q_OBJECT
public:
    Tour(QWidget *frame, QMainWindow *valve, const Options &options);

    // Runs every step in order and returns false at the first that fails, having written why
    // to stderr and saved a picture of that moment. Does not close the window.
    bool run();

    // Records every colour the LED takes and every status message shown.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool openPort();
    bool connectDevice();
    bool readConfiguration();
    bool changeSetting();
    bool applyConfiguration();
    bool watchInputs();
    bool operateValve();
    bool setClock();

    template <class T> T *widget(const char *name) const;
    bool waitFor(const QString &what, const std::function<bool()> &condition);
    bool waitForPortRefresh();
    bool shoot(const QString &name);
    bool fail(const QString &why);

    Led led() const;
    // Events since the last mark(): LED colours taken, status messages shown, requests logged.
    void mark();
    bool ledSeen(Led colour) const;
    bool messageSeen(const QString &text) const;
    QList<Request> requestsSinceMark() const;
    bool requestSeen(int fn, int start) const;
    bool showSettingsPage(const char *page);

    QWidget *m_frame;
    QMainWindow *m_valve;
    Options m_options;
    int m_step = 0;
    QString m_stepName;

    QList<Led> m_leds;
    QStringList m_messages;
    int m_logMark = 0;
    double m_weight = 0.0; // the impulse weight the tour writes
};

} // namespace tour

#endif // TOUR_TOUR_H
