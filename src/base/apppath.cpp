#include "apppath.h"

#include <QDir>

QString WithTrailingSeparator(const QString& folder)
{
    QString path = QDir::fromNativeSeparators(folder);
    if (!path.endsWith(u'/'))
        path += u'/';
    return path;
}

QString AppPathFrom(const QStringList& arguments, const QString& programFolder)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (arg == QLatin1String("--app-dir") && i + 1 < arguments.size())
            return WithTrailingSeparator(arguments[i + 1]);
        if (arg.startsWith(QLatin1String("--app-dir=")))
            return WithTrailingSeparator(arg.mid(10));
    }
    return WithTrailingSeparator(programFolder);
}
