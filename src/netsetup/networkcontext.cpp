#include "networkcontext.h"

#include "platform/arp.h"
#include "platform/icmpecho.h"

NetworkContext::NetworkContext(DeviceOperations& operations)
    : isReachable([&operations](const QString& ip) { return ReachableByArp(ip, &operations); })
    , pingOnce([&operations](const QString& ip) { return PingOnce(ip, std::chrono::milliseconds(1000), &operations); })
{
}
