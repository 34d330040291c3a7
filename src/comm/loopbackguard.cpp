#include "loopbackguard.h"

namespace {

struct Guard {
    bool on = false;
    QString refusal;
};

Guard& TheGuard()
{
    static Guard guard;
    return guard;
}

} // namespace

void KeepTrafficOnLoopback(const QString& refusalText)
{
    TheGuard() = {true, refusalText};
}

void LetTrafficLeaveTheMachine()
{
    TheGuard() = {};
}

QString RefusedDestination(const QHostAddress& address)
{
    const Guard& guard = TheGuard();
    if (!guard.on || address.isLoopback())
        return QString();
    return guard.refusal;
}

QString RefusedDestination(const QString& host)
{
    if (!TheGuard().on)
        return QString();
    QHostAddress address;
    return RefusedDestination(address.setAddress(host.trimmed()) ? address : QHostAddress(QHostAddress::Broadcast));
}
