#include "cli/outcome.h"

#include "device/registermap.h"
#include "link/portlist.h"
#include "transport/messages.h"

namespace morlenta::cli {

namespace {

QString openHint(const QString &reason, const QString &port)
{
    if (reason.contains(QLatin1String("Permission denied")))
        return QStringLiteral("Пользователь не в группе dialout. Добавьте его и войдите в систему "
                              "заново: sudo usermod -aG dialout \"$USER\"");
    // Another process holds the port: its lock file, or the exclusive open of a tty.
    if (reason.contains(QLatin1String("busy"), Qt::CaseInsensitive) ||
        reason.contains(QLatin1String("locking")))
        return QStringLiteral("Порт %1 занят другой программой.").arg(port);
    return QStringLiteral("Порт: %1").arg(port);
}

} // namespace

QString silenceCauses(const LineOptions &line)
{
    return QStringLiteral("Обычные причины: перепутаны линии A и B; не тот адрес (сейчас %1); не "
                          "та скорость или чётность (сейчас %2 бод, %3 бит данных, чётность %4, "
                          "стоп-битов %5); не тот порт (%6).")
        .arg(line.address)
        .arg(line.baud)
        .arg(line.dataBits)
        .arg(parityName(line.parity))
        .arg(line.stopBits)
        .arg(line.port);
}

Outcome outcomeOf(const LinkResult &r, const LineOptions &line)
{
    const auto replyError = [&](int exceptionCode) {
        return r.write ? transport::writeReplyError(r.error, r.detail, exceptionCode)
                       : transport::readReplyError(r.error, r.detail, exceptionCode);
    };
    const QString request = QStringLiteral("%1 регистра %2 (%3 сл.)")
                                .arg(r.write ? QStringLiteral("запись") : QStringLiteral("чтение"))
                                .arg(r.start)
                                .arg(r.count);
    switch (r.status) {
    case LinkResult::Ok:
        return {ExitOk, QString(), QStringLiteral("ok")};
    case LinkResult::OpenFailed:
        return {ExitPort, link::connectError(r.detail) + '\n' + openHint(r.detail, line.port),
                QStringLiteral("port")};
    case LinkResult::NoAnswer:
        return {ExitNoAnswer,
                QStringLiteral("Контроллер не ответил 0x%1 ни на один из шести опросов.\n")
                        .arg(QString::number(device::kAwakeAnswer, 16).toUpper()) +
                    silenceCauses(line),
                QStringLiteral("no-answer")};
    case LinkResult::Timeout:
        return {ExitNoAnswer,
                QStringLiteral("Нет ответа: %1, тайм-аут %2 мс, повторов %3.\n")
                        .arg(request)
                        .arg(line.timeoutMs)
                        .arg(line.retries) +
                    silenceCauses(line),
                QStringLiteral("no-answer")};
    case LinkResult::Exception:
        return {ExitFailed, replyError(r.exceptionCode), QStringLiteral("failed")};
    case LinkResult::ShortReply:
        return {
            ExitFailed,
            QStringLiteral("Неполный ответ: %1, пришло слов: %2.").arg(request).arg(r.words.size()),
            QStringLiteral("failed")};
    case LinkResult::PortLost:
        return {ExitFailed, link::connectError(r.detail), QStringLiteral("port")};
    case LinkResult::Failed:
        break;
    }
    return {ExitFailed, replyError(0xff), QStringLiteral("failed")};
}

} // namespace morlenta::cli
