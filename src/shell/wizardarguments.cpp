#include "wizardarguments.h"

bool DebugWindowRequested(const QStringList& arguments)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--app-dir")) {
            ++i; // its value is a folder, whatever it is called
            continue;
        }
        if (argument.compare(QLatin1String("/DEBUG"), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}
