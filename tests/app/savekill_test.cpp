// Every file the program saves survives its writer being killed at any
// moment: afterwards it holds the old content or the new one, never nothing
// and never a part, and the wizard starts with what is there.
#include "savekinds.h"

#include "app/wizardwindow.h"
#include "base/language.h"
#include "base/settingkeys.h"
#include "base/settings.h"
#include "testenvironment.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace {

constexpr int kKillsPerKind = 40; // seven kinds: 280 kills in all

QByteArray Content(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Runs the writer on the path and kills it a random while after it began.
void KillWriterOnce(const QString& kind, const QString& path, QRandomGenerator& random)
{
    QProcess writer;
    writer.start(QStringLiteral(SAVEWRITER), {kind, path});
    ASSERT_TRUE(writer.waitForStarted(10000));
    ASSERT_TRUE(writer.waitForReadyRead(10000)) << "the writer never began";
    QThread::usleep(random.bounded(60000));
    writer.kill(); // SIGKILL: no chance to finish a write
    writer.waitForFinished(10000);
}

class SaveKillTest : public ::testing::TestWithParam<QString> {};

TEST_P(SaveKillTest, AKilledWriterLeavesTheOldFileOrTheNew)
{
    SaveKind kind;
    ASSERT_TRUE(SaveKindFromName(GetParam(), &kind));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("saved"));
    QRandomGenerator random(20261207u + static_cast<quint32>(kind)); // the same kill points every run
    if (SaveKindAppends(kind)) {
        const QByteArray block = AppendedBlock(kind);
        SaveVariant(kind, path, 0);
        qsizetype blocks = 1;
        for (int kill = 0; kill < kKillsPerKind; ++kill) {
            KillWriterOnce(GetParam(), path, random);
            const QByteArray content = Content(path);
            ASSERT_EQ(content.size() % block.size(), 0) << "kill " << kill << ": a block was cut, size " << content.size();
            ASSERT_EQ(content, block.repeated(content.size() / block.size())) << "kill " << kill;
            ASSERT_GE(content.size() / block.size(), blocks) << "kill " << kill << ": blocks were lost";
            blocks = content.size() / block.size();
        }
        EXPECT_GT(blocks, 1) << "the writer never saved";
        return;
    }
    // What each variant looks like, saved without interruption.
    QByteArray variants[2];
    for (int variant = 0; variant < 2; ++variant) {
        const QString sample = dir.filePath(QStringLiteral("sample%1").arg(variant));
        SaveVariant(kind, sample, variant);
        variants[variant] = Content(sample);
    }
    ASSERT_NE(variants[0], variants[1]);
    SaveVariant(kind, path, 0);
    int seen[2] = {0, 0};
    for (int kill = 0; kill < kKillsPerKind; ++kill) {
        KillWriterOnce(GetParam(), path, random);
        const QByteArray content = Content(path);
        const bool whole = content == variants[0] || content == variants[1];
        ASSERT_TRUE(whole) << "kill " << kill << ": " << content.size() << " bytes, neither "
                           << variants[0].size() << " nor " << variants[1].size();
        ++seen[content == variants[1] ? 1 : 0];
    }
    // Kills landed both between saves of one variant and of the other.
    EXPECT_GT(seen[0], 0);
    EXPECT_GT(seen[1], 0);
}

INSTANTIATE_TEST_SUITE_P(EveryFile, SaveKillTest, ::testing::ValuesIn(SaveKindNames()),
                         [](const auto& info) {
                             QString name = info.param;
                             return name.remove(u'-').toStdString();
                         });

TEST(SaveKill, TheWizardStartsWithTheStoreAndIniFileAKillLeft)
{
    TestEnvironment environment;
    environment.UseLanguage(QStringLiteral("049"));
    QRandomGenerator random(7u);
    for (int kill = 0; kill < 10; ++kill) {
        KillWriterOnce(QStringLiteral("settings"), environment.SettingsPath(), random);
        KillWriterOnce(QStringLiteral("ini"), environment.IniPath(), random);
    }
    WizardContext& context = environment.NewContext();
    ASSERT_TRUE(context.language.LoadLanguage(context.settings, context.appPath)) << "the language choice was lost";
    EXPECT_EQ(context.settings.Read(keys::Language),
              QStringLiteral("049"));
    Ostrand_Wizard wizard(context, environment.Network());
    wizard.show();
    EXPECT_TRUE(wizard.isVisible());
}

} // namespace
