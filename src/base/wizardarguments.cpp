#include "wizardarguments.h"

#include <functional>

namespace {

// Whether an argument of its own is the switch; the value after --app-dir
// is a folder, whatever it is called.
bool HasSwitch(const QStringList& arguments, const std::function<bool(const QString&)>& isSwitch)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--app-dir"))
            ++i;
        else if (isSwitch(arguments[i]))
            return true;
    }
    return false;
}

} // namespace

bool DebugWindowRequested(const QStringList& arguments)
{
    return HasSwitch(arguments, [](const QString& argument) {
        return argument.compare(QLatin1String("/DEBUG"), Qt::CaseInsensitive) == 0;
    });
}

bool DemoRequested(const QStringList& arguments)
{
    return HasSwitch(arguments, [](const QString& argument) { return argument == QLatin1String("--demo"); });
}
