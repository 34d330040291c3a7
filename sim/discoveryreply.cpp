#include "discoveryreply.h"

#include "netsetup/configprotocol.h"

namespace {

constexpr quint8 kAnswerCommand = config::kDiscoveryQuery + 1;
constexpr int kVersionOffset = 8;
constexpr int kTypeOffset = 10;

} // namespace

QByteArray DiscoveryReply(const QByteArray& mac, int length)
{
    QByteArray answer = config::Datagram(kAnswerCommand);
    answer.resize(config::kAnswerMacOffset, '\0');
    answer[kVersionOffset] = 0x01;
    answer.replace(kTypeOffset, 11, "OSTRAND-SIM");
    answer.append(mac.left(config::kMacLength));
    answer.resize(qMax(length, 0), '\0');
    return answer;
}
