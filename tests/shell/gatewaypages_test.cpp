// The feature, Modbus and ASCII pages open the gateway connection the
// connection page describes, show why when they cannot, and close it again.
#include "shell/infobox.h"
#include "shell/resultlabel.h"
#include "app/wizardwindow.h"

#include "scriptedpeer.h"
#include "testenvironment.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class GatewayPagesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        environment.UseLanguage();
        environment.Context().ini.Write(ini::IP_OpenTimeOut, QStringLiteral("3000"));
        wizard = std::make_unique<Ostrand_Wizard>(environment.Context(), environment.Network());
        wizard->show();
    }

    template <typename T = QWidget>
    T* Find(const QString& name) const
    {
        T* found = wizard->findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name.toStdString();
        return found;
    }

    // Through the task page and the connection page to the task's own page.
    void ReachTaskPage(int task, quint16 port, bool udp)
    {
        wizard->Command_Next->click();
        auto* option = Find<QRadioButton>(QStringLiteral("Option_SelectWhatToDo(%1)").arg(task));
        QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(6, option->height() / 2));
        wizard->Command_Next->click();
        ASSERT_EQ(wizard->CurrentPage(), 40);
        Find<QLineEdit>(QStringLiteral("Text_EnterIPAddress"))->setText(QStringLiteral("127.0.0.1"));
        Find<QLineEdit>(QStringLiteral("Text_EnterIPAddress_Port"))->setText(QString::number(port));
        Find<QCheckBox>(QStringLiteral("Check_EnterIPAddress_UDPorTCP"))->setChecked(udp);
        wizard->Command_Next->click();
    }

    static quint16 ClosedTcpPort()
    {
        ScriptedPeer placeholder(ScriptedPeer::Transport::Tcp);
        return placeholder.Port();
    }

    Connection& GatewayConnection() { return environment.Context().connection; }
    QString Text(int id) { return environment.Context().language.GetLanguageText(id); }

    TestEnvironment environment;
    std::unique_ptr<Ostrand_Wizard> wizard;
};

} // namespace

TEST_F(GatewayPagesTest, FeaturePageOpensOverUdpAndClosesWhenLeft)
{
    ScriptedPeer gateway(ScriptedPeer::Transport::Udp);
    environment.Context().ini.Write(ini::IP_BusDelay, QStringLiteral("7"));
    ReachTaskPage(4, gateway.Port(), true);
    ASSERT_EQ(wizard->CurrentPage(), 60);
    EXPECT_TRUE(GatewayConnection().ConnectionOpen());
    EXPECT_EQ(GatewayConnection().Mode(), ConnectionMode::Udp);
    EXPECT_EQ(environment.Context().link.BusDelay.count(), 7); // the feature page's own INI section
    EXPECT_TRUE(Find(QStringLiteral("Command_MeterFeature_Apply"))->isEnabled());
    EXPECT_TRUE(wizard->isEnabled());
    wizard->Command_Back->click();
    EXPECT_EQ(wizard->CurrentPage(), 40);
    EXPECT_FALSE(GatewayConnection().ConnectionOpen());
}

TEST_F(GatewayPagesTest, RefusedTcpConnectShowsTheSocketsErrorOnTheFeaturePage)
{
    ReachTaskPage(4, ClosedTcpPort(), false);
    ASSERT_EQ(wizard->CurrentPage(), 60);
    EXPECT_FALSE(GatewayConnection().ConnectionOpen());
    const QString info = Find<InfoBox>(QStringLiteral("Text_Info(60)"))->Text();
    EXPECT_TRUE(info.startsWith(Text(158) + QStringLiteral("\nError description: "))) << info.toStdString();
    EXPECT_GT(info.size(), Text(158).size() + 20);
    EXPECT_FALSE(Find(QStringLiteral("Command_MeterFeature_Apply"))->isEnabled());
    EXPECT_FALSE(wizard->Command_Next->isEnabled());
}

TEST_F(GatewayPagesTest, ModbusPageOverTcpEnablesReadAndBackCloses)
{
    ScriptedPeer gateway(ScriptedPeer::Transport::Tcp);
    ReachTaskPage(5, gateway.Port(), false);
    ASSERT_EQ(wizard->CurrentPage(), 70);
    EXPECT_TRUE(GatewayConnection().ConnectionOpen());
    EXPECT_EQ(GatewayConnection().Mode(), ConnectionMode::Tcp);
    auto* result = Find<ResultLabel>(QStringLiteral("lblModbusResultText"));
    EXPECT_TRUE(result->text().isEmpty());
    EXPECT_TRUE(Find(QStringLiteral("Command_ModBus_MeterFeature_Read"))->isEnabled());
    wizard->Command_Back->click();
    EXPECT_FALSE(GatewayConnection().ConnectionOpen());
}

TEST_F(GatewayPagesTest, AsciiPageShowsARefusedConnectInDarkRed)
{
    ReachTaskPage(6, ClosedTcpPort(), false);
    ASSERT_EQ(wizard->CurrentPage(), 80);
    auto* result = Find<ResultLabel>(QStringLiteral("lblMBusAsciiResultText"));
    EXPECT_TRUE(result->text().startsWith(Text(158) + QStringLiteral(" Error: "))) << result->text().toStdString();
    EXPECT_EQ(result->palette().color(QPalette::WindowText), QColor(177, 4, 12));
    EXPECT_FALSE(Find(QStringLiteral("Command_MBusAscii_MeterFeature_Read"))->isEnabled());
}
