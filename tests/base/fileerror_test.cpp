// The classic numbers and words of the "Open Error" and "Save Error" boxes.
#include "base/fileappend.h"
#include "base/fileerror.h"

#include "testenvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <unistd.h>

namespace {

TEST(FileError, SystemErrorsBecomeTheClassicNumbers)
{
    QTemporaryDir dir;
    const QString inFolder = dir.filePath(QStringLiteral("Debug.TXT"));
    struct Case {
        int systemError;
        QString path;
        int number;
        const char* description;
    };
    const Case cases[] = {
        {ENOENT, inFolder, 53, "File not found"},
        {ENOENT, dir.filePath(QStringLiteral("gone/Debug.TXT")), 76, "Path not found"},
        {ENOTDIR, inFolder, 76, "Path not found"},
        {EACCES, inFolder, 70, "Permission denied"},
        {EROFS, inFolder, 70, "Permission denied"},
        {ENOSPC, inFolder, 61, "Disk full"},
        {EDQUOT, inFolder, 61, "Disk full"},
        {EISDIR, inFolder, 75, "Path/File access error"},
        {ENAMETOOLONG, inFolder, 75, "Path/File access error"},
        {EMFILE, inFolder, 67, "Too many files"},
        {EIO, inFolder, 57, "Device I/O error"},
    };
    for (const Case& c : cases) {
        const FileError error = FileErrorFromSystem(c.systemError, c.path);
        EXPECT_EQ(error.number, c.number) << c.systemError;
        EXPECT_EQ(error.description, QLatin1String(c.description)) << c.systemError;
    }
    EXPECT_EQ(ClassicFileError(62).description, QStringLiteral("Input past end of file"));
}

TEST(FileError, WithoutTheSystemErrorTheFileAndItsPathDecide)
{
    QTemporaryDir dir;
    QFile missing(dir.filePath(QStringLiteral("missing.txt")));
    ASSERT_FALSE(missing.open(QIODevice::ReadOnly));
    EXPECT_EQ(FileErrorOf(missing, 0).number, 53);

    QFile noFolder(dir.filePath(QStringLiteral("gone/missing.txt")));
    ASSERT_FALSE(noFolder.open(QIODevice::WriteOnly));
    EXPECT_EQ(FileErrorOf(noFolder, 0).number, 76);

    QFile folder(dir.path());
    ASSERT_FALSE(folder.open(QIODevice::WriteOnly));
    EXPECT_EQ(FileErrorOf(folder, 0).number, 75);
}

TEST(FileError, MessageIsTheBoxText)
{
    EXPECT_EQ(ClassicFileError(70).Message(),
              QStringLiteral("The following error has occurred:\r\nErr # 70 - Permission denied"));
}

// A folder that takes no new file while the test runs (read-only), with a
// file in it that may still be written in place. Root ignores permissions,
// so a root test runs its saves as an ordinary user meanwhile.
class ClosedFolder {
public:
    ClosedFolder(const QString& parent, const QString& folder, const QString& file)
    {
        const auto all = QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
        const auto enter = QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther;
        const auto write = QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
        m_Ready = QFile::setPermissions(parent, all | enter | QFileDevice::WriteOwner) && QFile::setPermissions(file, all | write)
            && QFile::setPermissions(folder, all | enter);
        m_Folder = folder;
        if (m_Ready && ::geteuid() == 0)
            m_Ready = ::seteuid(kNobody) == 0;
    }
    ~ClosedFolder()
    {
        if (::geteuid() == kNobody)
            [[maybe_unused]] const int back = ::seteuid(0);
        QFile::setPermissions(m_Folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    bool Ready() const { return m_Ready; }

private:
    static constexpr uid_t kNobody = 65534;
    QString m_Folder;
    bool m_Ready = false;
};

TEST(FileError, AFolderThatTakesNoNewFileRefusesTheSaveAndKeepsTheOldFile)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("closed"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString report = folder + QStringLiteral("/report.txt");
    QFile old(report);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old report\r\n");
    old.close();
    std::optional<FileError> saves[2];
    {
        const ClosedFolder closed(dir.path(), folder, report);
        if (!closed.Ready())
            GTEST_SKIP() << "the folder could not be closed to new files";
        // writing in place would cut the old file short if the program died meanwhile
        saves[0] = WriteWholeFile(report, "new report\r\n");
        saves[1] = AppendToFile(report, "more\r\n");
    }
    for (const auto& save : saves) {
        ASSERT_TRUE(save.has_value());
        EXPECT_EQ(save->number, 70);
    }
    const auto kept = ReadWholeFile(report);
    ASSERT_TRUE(std::holds_alternative<QByteArray>(kept));
    EXPECT_EQ(std::get<QByteArray>(kept), QByteArray("old report\r\n"));
}

} // namespace
