// The classic numbers and words of the "Open Error" and "Save Error" boxes.
#include "shell/fileerror.h"

#include "testenvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>

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

} // namespace
