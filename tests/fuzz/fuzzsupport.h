// Shared by the libFuzzer targets: one offscreen application and main window for the whole run.
#pragma once

#include <QApplication>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "support/valvetestaccess.h"

namespace fuzz {

// The application and window, made on the first call. Nothing is ever deleted, so no destructor
// runs after libFuzzer's exit. The debug lines of every decode are dropped.
inline Valve &valve()
{
    static Valve *window = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
            if (type != QtDebugMsg && type != QtInfoMsg)
                std::fprintf(stderr, "%s\n", qPrintable(text));
        });
        static int argc = 1;
        static char name[] = "fuzz", *argv[] = {name, nullptr};
        new QApplication(argc, argv);
        return new Valve;
    }();
    return *window;
}

// Handles what a run posted (replies to delete, marking timers), so nothing piles up.
inline void settle()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

[[noreturn]] inline void fail(const char *what, int detail = 0)
{
    std::fprintf(stderr, "fuzz invariant broken: %s (%d)\n", what, detail);
    std::abort(); // libFuzzer records it as a finding
}

// Word `index` of the input, big-endian, zero past its end.
inline std::uint16_t wordAt(const std::uint8_t *data, std::size_t size, std::size_t index)
{
    const std::size_t at = 2 * index;
    return std::uint16_t((at < size ? data[at] << 8 : 0) | (at + 1 < size ? data[at + 1] : 0));
}

} // namespace fuzz
