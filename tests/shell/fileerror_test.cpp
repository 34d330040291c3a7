// The classic numbers and words of the "Open Error" and "Save Error" boxes.
#include "shell/fileerror.h"

#include "testenvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
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

// A folder that takes no new file while the test runs: read-only for an
// ordinary user; for root, which ignores that, marked immutable (ext4 and
// the like). Existing files in it stay writable in place.
class ClosedFolder {
public:
    explicit ClosedFolder(const QString& path)
        : m_Path(path)
    {
        if (::geteuid() != 0) {
            m_Closed = QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
            return;
        }
        m_Fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY);
        int flags = 0;
        if (m_Fd >= 0 && ::ioctl(m_Fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags |= FS_IMMUTABLE_FL;
            m_Closed = ::ioctl(m_Fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
    }
    ~ClosedFolder()
    {
        if (m_Fd >= 0) {
            int flags = 0;
            if (::ioctl(m_Fd, FS_IOC_GETFLAGS, &flags) == 0) {
                flags &= ~FS_IMMUTABLE_FL;
                ::ioctl(m_Fd, FS_IOC_SETFLAGS, &flags);
            }
            ::close(m_Fd);
        } else {
            QFile::setPermissions(m_Path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        }
    }
    bool Closed() const { return m_Closed; }

private:
    QString m_Path;
    int m_Fd = -1;
    bool m_Closed = false;
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
    const ClosedFolder closed(folder);
    if (!closed.Closed())
        GTEST_SKIP() << "this file system cannot close a folder to new files";

    // writing in place would cut the old file short if the program died meanwhile
    for (const auto& save : {WriteWholeFile(report, "new report\r\n"), AppendToFile(report, "more\r\n")}) {
        ASSERT_TRUE(save.has_value());
        EXPECT_EQ(save->number, 70);
    }
    const auto kept = ReadWholeFile(report);
    ASSERT_TRUE(std::holds_alternative<QByteArray>(kept));
    EXPECT_EQ(std::get<QByteArray>(kept), QByteArray("old report\r\n"));
}

} // namespace
