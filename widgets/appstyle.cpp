#include "widgets/appstyle.h"

#include <QFile>

const char *const kAppStyleSheetPath = ":/resources/style/appstyles.qss";

void registerResourceBundle()
{
    // Q_INIT_RESOURCE names a function of the global namespace, so this function stays there.
    static const bool registered = [] {
        Q_INIT_RESOURCE(morlenta);
        return true;
    }();
    Q_UNUSED(registered)
}

QString loadStyleSheet(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray bytes = file.readAll();
    const int end = bytes.indexOf('\0');
    return QString::fromUtf8(bytes.constData(), end < 0 ? bytes.size() : end);
}

QString loadAppStyleSheet()
{
    registerResourceBundle();
    return loadStyleSheet(QString::fromLatin1(kAppStyleSheetPath));
}
