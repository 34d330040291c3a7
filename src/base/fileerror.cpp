#include "fileerror.h"
#include "fileappend.h"

#include <QDir>
#include <QFile>
#include <QFileDevice>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>

namespace {

constexpr int kFileNotFound = 53;
constexpr int kDiskFull = 61;
constexpr int kTooManyFiles = 67;
constexpr int kDeviceIoError = 57;
constexpr int kDeviceUnavailable = 68;
constexpr int kPermissionDenied = 70;
constexpr int kPathFileAccessError = 75;
constexpr int kPathNotFound = 76;

// A missing target is a missing file when its folder is there, else a
// missing path.
int MissingFileOrPath(const QString& path)
{
    return QFileInfo(path).absoluteDir().exists() ? kFileNotFound : kPathNotFound;
}

} // namespace

QString FileError::Message() const
{
    return QStringLiteral("The following error has occurred:\r\nErr # %1 - %2").arg(number).arg(description);
}

FileError ClassicFileError(int number)
{
    const char* description = nullptr;
    switch (number) {
    case 6: description = "Overflow"; break;
    case 9: description = "Subscript out of range"; break;
    case 13: description = "Type mismatch"; break;
    case 52: description = "Bad file name or number"; break;
    case 53: description = "File not found"; break;
    case 54: description = "Bad file mode"; break;
    case 55: description = "File already open"; break;
    case 57: description = "Device I/O error"; break;
    case 58: description = "File already exists"; break;
    case 61: description = "Disk full"; break;
    case 62: description = "Input past end of file"; break;
    case 67: description = "Too many files"; break;
    case 68: description = "Device unavailable"; break;
    case 70: description = "Permission denied"; break;
    case 71: description = "Disk not ready"; break;
    case 75: description = "Path/File access error"; break;
    case 76: description = "Path not found"; break;
    case 380: description = "Invalid property value"; break;
    default: description = "Application-defined or object-defined error"; break;
    }
    return {number, QString::fromLatin1(description)};
}

FileError FileErrorFromSystem(int systemError, const QString& path)
{
    switch (systemError) {
    case ENOENT:
        return ClassicFileError(MissingFileOrPath(path));
    case ENOTDIR:
        return ClassicFileError(kPathNotFound);
    case EACCES:
    case EPERM:
    case EROFS:
    case EBUSY:
    case ETXTBSY:
        return ClassicFileError(kPermissionDenied);
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return ClassicFileError(kDiskFull);
    case EMFILE:
    case ENFILE:
        return ClassicFileError(kTooManyFiles);
    case EIO:
        return ClassicFileError(kDeviceIoError);
    case ENXIO:
    case ENODEV:
        return ClassicFileError(kDeviceUnavailable);
    default:
        return ClassicFileError(kPathFileAccessError); // a folder, a bad name, anything else
    }
}

FileError FileErrorOf(const QFileDevice& file, int systemError)
{
    const QString path = file.fileName();
    if (systemError != 0)
        return FileErrorFromSystem(systemError, path);
    switch (file.error()) {
    case QFileDevice::ResourceError:
        return ClassicFileError(kDiskFull);
    case QFileDevice::PermissionsError:
        return ClassicFileError(kPermissionDenied);
    case QFileDevice::OpenError:
        if (!QFileInfo::exists(path))
            return ClassicFileError(MissingFileOrPath(path));
        return ClassicFileError(kPathFileAccessError);
    case QFileDevice::ReadError:
        return ClassicFileError(kDeviceIoError);
    default:
        return ClassicFileError(kPathFileAccessError);
    }
}

namespace {

// A device or a pipe is neither read back nor replaced: written to as it is.
std::optional<FileError> WriteToDevice(const QString& path, const QByteArray& content, QIODevice::OpenMode mode)
{
    QFile file(path);
    errno = 0;
    bool written = file.open(mode);
    if (written) {
        errno = 0;
        written = file.write(content) == content.size() && file.flush();
    }
    if (written)
        return std::nullopt;
    return FileErrorOf(file, errno);
}

bool IsDevice(const QFileInfo& info)
{
    return info.exists() && !info.isFile() && !info.isDir();
}

} // namespace

std::optional<FileError> WriteWholeFile(const QString& path, const QByteArray& content)
{
    if (IsDevice(QFileInfo(path)))
        return WriteToDevice(path, content, QIODevice::WriteOnly);
    // Never written in place: where the folder takes no new file, the save
    // is refused and the old file stays whole (a kill while writing in place
    // would leave it cut short).
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    errno = 0;
    bool written = file.open(QIODevice::WriteOnly);
    if (written) {
        errno = 0;
        written = file.write(content) == content.size() && file.commit();
    }
    if (written)
        return std::nullopt;
    const FileError error = FileErrorOf(file, errno);
    file.cancelWriting();
    return error;
}

std::optional<FileError> AppendToFile(const QString& path, const QByteArray& content)
{
    const QFileInfo info(path);
    if (IsDevice(info))
        return WriteToDevice(path, content, QIODevice::WriteOnly | QIODevice::Append);
    if (!info.exists() || info.isDir())
        return WriteWholeFile(path, content); // a folder gives its error there
    std::variant<QByteArray, FileError> old = ReadWholeFile(path);
    if (const FileError* error = std::get_if<FileError>(&old))
        return *error; // what cannot be read cannot be kept
    return WriteWholeFile(path, std::get<QByteArray>(old) + content);
}

std::variant<QByteArray, FileError> ReadWholeFile(const QString& path)
{
    QFile file(path);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly))
        return FileErrorOf(file, errno);
    errno = 0;
    QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return FileErrorOf(file, errno);
    return content;
}
