#include "discoveryreply.h"
#include "recordstore.h"
#include "setuplines.h"

#include "netsetup/configprotocol.h"
#include "netsetup/recorddefaults.h"

#include <gtest/gtest.h>

namespace {

QByteArray Hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text));
}

const QByteArray kMac = Hex("00204A123456");

} // namespace

TEST(DiscoveryReply, CarriesTheMacWhereClientsReadIt)
{
    const QByteArray answer = DiscoveryReply(kMac);
    ASSERT_EQ(answer.size(), 30);
    EXPECT_EQ(answer.mid(config::kAnswerMacOffset, config::kMacLength), kMac);
    EXPECT_EQ(answer.left(4), Hex("000000F7"));
    EXPECT_EQ(answer.mid(8, 2), Hex("0100"));
    EXPECT_EQ(answer.mid(10, 14), QByteArray("OSTRAND-SIM") + QByteArray(3, '\0'));
}

TEST(DiscoveryReply, OtherLengthsCutOrPad)
{
    const QByteArray full = DiscoveryReply(kMac);
    // 24 bytes: a client sees no MAC at all.
    EXPECT_EQ(DiscoveryReply(kMac, 24), full.left(24));
    EXPECT_EQ(DiscoveryReply(kMac, 27), full.left(27));
    EXPECT_EQ(DiscoveryReply(kMac, 40), full + QByteArray(10, '\0'));
    EXPECT_TRUE(DiscoveryReply(kMac, 0).isEmpty());
}

TEST(SetLines, TheClientsLinesGiveTheRecordBack)
{
    for (int n = 0; n < 8; ++n) {
        const QByteArray record = DefaultRecordBytes(n);
        EXPECT_EQ(RecordFromSetLines(config::RecordLines(record)), record) << "record " << n;
    }
    QByteArray every(120, '\0');
    for (int i = 0; i < every.size(); ++i)
        every[i] = static_cast<char>(i * 37 + 5);
    EXPECT_EQ(RecordFromSetLines(config::RecordLines(every)), every);
}

TEST(SetLines, AnyDamageLosesTheRecord)
{
    const QStringList good = config::RecordLines(DefaultRecordBytes(0));
    ASSERT_EQ(good.size(), 4);
    auto changed = [&](int line, const QString& text) {
        QStringList lines = good;
        lines[line] = text;
        return lines;
    };
    const QString first = good[0];
    // Checksum digit off by one.
    QString badSum = first;
    badSum[badSum.size() - 1] = badSum.back() == u'0' ? u'1' : u'0';
    EXPECT_FALSE(RecordFromSetLines(changed(0, badSum)));
    // A data digit changed, checksum left as it was.
    QString badData = first;
    badData[12] = badData[12] == u'0' ? u'1' : u'0';
    EXPECT_FALSE(RecordFromSetLines(changed(0, badData)));
    // The checksum counts the characters, so lower-case digits are other lines.
    EXPECT_FALSE(RecordFromSetLines(changed(2, good[2].toLower())));
    EXPECT_FALSE(RecordFromSetLines(changed(1, good[1].mid(1))));            // no colon
    EXPECT_FALSE(RecordFromSetLines(changed(1, good[1].left(good[1].size() - 1)))); // odd length
    EXPECT_FALSE(RecordFromSetLines(changed(3, QStringLiteral(":ZZ00000010AA"))));
    QStringList missing = good;
    missing.removeAt(1);
    EXPECT_FALSE(RecordFromSetLines(missing));
    QStringList swapped = good;
    swapped.swapItemsAt(1, 2);
    EXPECT_FALSE(RecordFromSetLines(swapped));
    EXPECT_FALSE(RecordFromSetLines({}));
    // What a gateway sends for "G" is no "S" record: type 00 and the byte-sum checksum.
    EXPECT_FALSE(RecordFromSetLines(config::ReadReplyLines(DefaultRecordBytes(0))));
}

TEST(RecordStore, StartsFromTheFactoryContents)
{
    const RecordStore store;
    for (int n = 0; n < 8; ++n)
        EXPECT_EQ(store.Read(n), DefaultRecordBytes(n)) << "record " << n;
    EXPECT_FALSE(store.Read(8));
    EXPECT_FALSE(store.Read(-1));
}

TEST(RecordStore, TakesOnlyWholeRecordsOfItsOwnLength)
{
    RecordStore store;
    const QByteArray record(126, '\x5A');
    EXPECT_TRUE(store.Write(3, record));
    EXPECT_EQ(store.Read(3), record);
    EXPECT_FALSE(store.Write(0, record)); // record 0 is 120 bytes
    EXPECT_EQ(store.Read(0), DefaultRecordBytes(0));
    EXPECT_FALSE(store.Write(2, record.left(125)));
    EXPECT_FALSE(store.Write(8, record));
}

TEST(RecordStore, NetworkFieldsOfRecordZero)
{
    RecordStore store;
    store.SetAddress(QHostAddress(QStringLiteral("192.168.1.20")));
    store.SetMask(QHostAddress(QStringLiteral("255.255.0.0")));
    store.SetGateway(QHostAddress(QStringLiteral("192.168.1.1")));
    store.SetChannel(40000, false);
    const QByteArray record = *store.Read(0);
    EXPECT_EQ(record.left(4), Hex("C0A80114"));
    EXPECT_EQ(record[6], 16); // host bits
    EXPECT_EQ(record.mid(12, 4), Hex("C0A80101"));
    EXPECT_EQ(record.mid(20, 2), Hex("409C"));
    EXPECT_EQ(record.mid(28, 2), Hex("C000"));
    EXPECT_EQ(store.Address(), QHostAddress(QStringLiteral("192.168.1.20")));
    EXPECT_EQ(store.HostBits(), 16);

    store.SetMask(QHostAddress(QStringLiteral("255.255.255.0")));
    store.SetChannel(10001, true);
    // Back to the factory bytes for these fields.
    EXPECT_EQ(store.Read(0)->mid(6, 1), DefaultRecordBytes(0).mid(6, 1));
    EXPECT_EQ(store.Read(0)->mid(20, 10), DefaultRecordBytes(0).mid(20, 10));
    store.SetMask(QHostAddress(QStringLiteral("0.0.0.0")));
    EXPECT_EQ(store.HostBits(), 32);
    // Bytes the gateway does not interpret are left alone.
    EXPECT_EQ(store.Read(0)->mid(7, 1), DefaultRecordBytes(0).mid(7, 1));
    EXPECT_EQ(store.Read(0)->mid(30), DefaultRecordBytes(0).mid(30));
}
