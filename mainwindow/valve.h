#ifndef VALVE_H
#define VALVE_H

#include <QElapsedTimer>
#include <QMainWindow>
#include <QModbusDevice>
#include <QStringList>
#include <QVector>

#include <array>

#include "device/registermap.h"
#include "link/commandplan.h"
#include "link/portlist.h"
#include "mainwindow/inputwidgets.h"
#include "widgets/qledlabel.h"

class QComboBox;
class QModbusReply;
class QModbusRtuSerialMaster;
class QStyledItemDelegate;
class QTimer;

namespace Ui {
class Valve;
}

namespace morlenta::config {
struct Settings;
}

// The line parameters of the current connection, taken from the connection page each time the
// port is opened.
struct ConnectionSettings
{
    int serverAddress = 0;
    QString portName;
    int baudRate = 0;
    int dataBits = 0;
    int parity = 0;
    int stopBits = 0;
};

// The main window. It owns the form, the one Modbus client, the timers of the device link, the
// register mirror replies land in and the configuration copy. Its member functions are grouped
// by subsystem, each in a folder of its own, and each group calls only the groups below it:
//
//   link/       the session: ports, wake-up probe, command sequencer, inactivity and sleep,
//               the poll tick; calls config/, live/ and transport/
//   config/     the configuration block on the settings pages (decoding, encoding, form)
//   live/       the inputs page: the poll timer, the poll plan, the display; calls transport/
//   transport/  read and write requests, reply errors, the mirror copy, restarting the
//               inactivity timer on every answer; calls nothing above it: a finished read goes to
//               the handler its sender attached to the request
//
// The constructor (mainwindow/) wires the form's signals to all of them.
class Valve : public QMainWindow
{
    Q_OBJECT

public:
    explicit Valve(QWidget *parent = nullptr);
    ~Valve() override;

    // The Modbus client's response time-out and retries, taken each time the port is opened. The
    // tool never changes them; tests shorten the time-out (ValveTestAccess) so that a silent
    // controller costs them less than the half minute it costs the user.
    struct ClientTiming
    {
        int responseTimeoutMs = 5000;
        int retries = 5;
    };

    static constexpr int kMirrorWords = 1024; // register mirror size
    static constexpr int kMessageMs = morlenta::link::kMessageMs;
    static constexpr int kTickMs = 1000;    // probe and live poll interval
    static constexpr int kHoldMs = 250;     // longest a live value waits to be shown
    static constexpr int kShowSoonMs = 100; // the end of that, when a request sent shows it

    // What encoding the form found: only a form without input errors is written.
    enum class FormCheck { Passed, InputErrors };

private slots:
    // Connected by name by the form (config/valve_service.cpp).
    void on_logo_clicked();
    void on_service_pass_textChanged(const QString &arg1);
    void on_device_id_textChanged(const QString &arg1);

private:
    friend class ValveTestAccess; // white-box access for tests and fuzz targets

    using Route = morlenta::device::Route;
    // What a finished read calls: the route its sender attached and the reply's words.
    using ReadHandler = void (Valve::*)(const Route &route, const quint16 *words);
    // What changed for the poll timer.
    enum class PollChange { PageChanged, PortClosed, ValveCommand };

    // --- start-up (mainwindow/valve.cpp) ---
    void fillInputWidgets();
    void fillQuantityBoxes();
    void applyComboPresentation();

    // --- the session (link/) ---
    void fillCommParameters();
    void refreshPorts();
    void toggleConnection();
    void openPort();
    void releasePort();
    void releaseOnPortChange();
    void onClientError(QModbusDevice::Error error);
    void setLed(QLedLabel::State state);
    void setConnectionGroupEnabled(bool enabled);
    void showPortClosed();
    void requestCommand(quint16 code);
    void probeStep();
    void sendProbe();
    void probeAnswer(const Route &route, const quint16 *words);
    void runSequencer();
    void send(const morlenta::link::Request &request);
    void scheduleReconnect();
    void goToSleep();
    void onPollTick();
    void onBlockRead(const Route &route, const quint16 *words);
    void onStoredWordRead(const Route &route, const quint16 *words);

    // --- device configuration (config/) ---
    void clearErrorList();
    void onInputTypeChanged(int input, int type);
    void refillIntervalValues(QComboBox *valueBox, int intervalIndex);
    void refillUnits(QComboBox *unitBox, bool analog, int quantityIndex);
    void decodeConfiguration(const quint16 *words);
    FormCheck encodeConfiguration();
    morlenta::config::Settings formSettings() const;
    void addInputError(int message);
    void removeInputError(int message);
    void markInputError(int message);
    void resetErrorMarks();

    // --- live monitoring (live/) ---
    void updatePolling(PollChange change);
    bool inputsPageShown() const;
    void pollCycle();
    void sendNextLiveRead();
    void onLiveReadDone(QModbusReply *reply);
    void holdLiveValue(const Route &route, const quint16 *words);
    void showHeldValues();
    void onRequestWritten();
    void showLive(const Route &route, const quint16 *words);
    void showDiscrete(int input, bool high);
    void showCounter(int input, int quantity, quint32 raw);
    void showAnalog(int input, int quantity, quint32 raw);
    void showSolenoid(quint16 state);
    void showCapacitor(quint16 charge);
    void showTemperature(quint32 raw);
    void showClock(quint32 raw);

    // --- request transport (transport/) ---
    bool isConnected() const;
    QModbusReply *read(const Route &route, ReadHandler handler);
    void write(quint16 start, quint16 count);
    void finishRead(QModbusReply *reply, const Route &route, ReadHandler handler);
    void deliverRead(const Route &route, ReadHandler handler, int valueCount);
    void onWriteReply(QModbusReply *reply);
    void requestFinished(QModbusDevice::Error error);
    qint64 replyWaitingMs() const;
    void restartInactivityTimer();
    void expireOnlineTime();

    // The configuration block as last decoded or encoded.
    morlenta::device::Block m_config{};
    // Landing area of every read reply and source of every write, from index 0.
    std::array<quint16, kMirrorWords> m_mirror{};
    // The word read after the configuration block; stored, not interpreted.
    quint16 m_storedWord = 0;

    Ui::Valve *ui = nullptr;
    // The widgets of input 1 and input 2.
    const InputWidgets &inputWidgets(int input) const { return m_inputWidgets[input - 1]; }
    std::array<InputWidgets, morlenta::device::kServedInputs> m_inputWidgets{};

    QTimer *m_portTimer = nullptr;       // port list refresh, always running
    QTimer *m_inactivityTimer = nullptr; // controller counts as asleep when it runs out
    QTimer *m_probeTimer = nullptr;      // wake-up probe, 1000 ms while waking
    QTimer *m_pollTimer = nullptr;       // live poll, 1000 ms while the inputs page is shown
    QTimer *m_valueHold = nullptr;       // shows the live values held when it runs out

    morlenta::link::SystemPorts m_systemPorts;
    QStringList m_portSnapshot; // name, vendor id, product id per port
    int m_lastPortIndex = -1;
    ConnectionSettings m_connection;

    QModbusRtuSerialMaster *m_client = nullptr;
    ClientTiming m_timing;
    int m_serverAddress = 0;

    bool m_idComplete = false;
    bool m_awake = false;
    quint16 m_probeCounter = 0;
    quint16 m_pending = morlenta::link::NoCommand;

    // The reads of the last tick, sent one at a time from m_liveNext on: each when the one before
    // has finished, and only while the controller counts as awake. A tick sends no new reads
    // while any is left.
    QVector<Route> m_livePlan;
    int m_liveNext = 0;
    int m_liveInFlight = 0; // 0 or 1
    // Live values received and not shown yet (live/: showing them is held).
    struct HeldValue
    {
        Route route;
        std::array<quint16, 2> words;
    };
    QVector<HeldValue> m_heldValues;
    // Requests sent and not yet finished, and since when the oldest of them has been waiting for
    // its reply (the client sends one at a time: since the last reply or the send to an idle
    // line).
    int m_requestsWaiting = 0;
    QElapsedTimer m_replyWait;
    // Probe reads sent and not yet finished; at most two (one tick's pair) wait in the client.
    int m_probesInFlight = 0;
    // A complete configuration block of this controller was decoded since the port was opened:
    // only then may the form be written back (words it does not set come from that block).
    bool m_blockRead = false;

    QStyledItemDelegate *m_comboDelegate = nullptr;
};

#endif // VALVE_H
