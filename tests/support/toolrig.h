// ToolRig: the tool's main window on a serial line, driven through its own widgets as a user
// drives it, and the checks the end-to-end suites, the fault matrix and the benchmarks share.
#pragma once

#include <QHash>
#include <QStatusBar>
#include <QStringList>

#include <memory>

#include "mainwindow/valve.h"
#include "support/simharness.h"
#include "support/valvetestaccess.h"

class ToolRig
{
public:
    // The client's response time-out and retries while the rig lives (the tool's own are 5000 ms
    // and 5 retries: half a minute for every request a silent controller leaves unanswered).
    explicit ToolRig(int timeoutMs = 500, int retries = 1)
        : m_timeoutMs(timeoutMs), m_retries(retries)
    {
    }
    ~ToolRig(); // the window goes; MORLENTA_EXTRA_PORTS is restored

    // A window offering `listed` (by default `port` alone) after the system's ports, with `port`
    // and `baud` chosen and the choice seen by a port refresh.
    bool start(const QString &port, int baud = 9600, const QStringList &listed = {});
    bool open() { return ui->connect->click(), connected(); } // "занять порт"
    bool connectDevice(); // "подключить устройство"; true once the LED is green and it is awake
    bool openAndRead(); // both, then until the block is decoded and both reads have ended

    bool connected() const
    {
        return ValveTestAccess::client(*valve)->state() == QModbusDevice::ConnectedState;
    }
    bool awake() const { return ValveTestAccess::awake(*valve); }
    int pending() const { return ValveTestAccess::pending(*valve); } // the command left waiting
    bool blockDecoded() const { return ValveTestAccess::blockRead(*valve); } // since the open
    QVector<quint16> config() const; // the configuration copy the next write takes its words from
    int outstanding() const;         // replies the client still waits for
    bool settle(int timeoutMs = SimHarness::kWaitMs); // until none is and no probe runs
    QString message() const { return valve->statusBar()->currentMessage(); }
    void showPage(QWidget *page) { ui->Main_Tab_Widget->setCurrentWidget(page); }

    enum class Led { Red, Yellow, Green, Other };
    Led led() const; // the colour the LED is drawn in
    // What disagrees with the port's state (LED, `connect` text, connection group, pages);
    // empty when all agree.
    QString linkStateProblem() const;

    // A written block against the block served for the last read with the form's edits
    // (word -> value) applied; empty when they agree.
    static QString writtenBlockProblem(const QVector<quint16> &written,
                                       const QVector<quint16> &served,
                                       const QHash<int, quint16> &edits);
    // The share of one core this process takes while its event loop runs for `windowMs`.
    static double cpuShare(int windowMs = 2000);

    std::unique_ptr<Valve> valve;
    Ui::Valve *ui = nullptr;
    QStringList messages; // every status message shown since start(), in order

private:
    int m_timeoutMs, m_retries;
};
