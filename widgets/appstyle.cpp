#include "widgets/appstyle.h"

#include <QFile>

const char *const kAppStyleSheetPath = ":/resources/style/appstyles.qss";

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
    return loadStyleSheet(QString::fromLatin1(kAppStyleSheetPath));
}
