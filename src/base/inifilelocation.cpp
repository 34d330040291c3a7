#include "inifilelocation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

// The user's own file, started from the defaults when it does not exist yet.
// Where it cannot be made, the defaults are read and changes are not kept,
// as with any INI file that cannot be written.
IniFile UserCopy(const QString& userFile, const QString& defaults)
{
    if (QFileInfo::exists(userFile))
        return IniFile(userFile);
    QDir().mkpath(QFileInfo(userFile).absolutePath());
    if (!QFile::copy(defaults, userFile))
        return IniFile(defaults);
    // the copy keeps the shipped file's read-only permissions
    QFile::setPermissions(userFile, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                                        | QFileDevice::ReadOther);
    return IniFile(userFile);
}

} // namespace

IniFile IniFileFor(const QString& appPath, const QString& userConfigFolder)
{
    const QString name = QStringLiteral("Ostrand.INI");
    const QFileInfo own(appPath + name);
    const QFileInfo shipped(QDir::cleanPath(appPath + QStringLiteral("../share/ostrand/") + name));
    const QString userFile = QDir(userConfigFolder.isEmpty()
            ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/Ostrand")
            : userConfigFolder)
                                 .filePath(name);
    // a folder of its own (portable, or a build): the file beside the program, where
    // a change can replace it (the folder takes the new file)
    if (own.isFile()) {
        const bool keptHere = own.isWritable() && QFileInfo(appPath).isWritable();
        return keptHere ? IniFile(own.filePath()) : UserCopy(userFile, own.filePath());
    }
    if (own.exists())
        return IniFile(own.filePath()); // not a file: said at start, the defaults are read
    if (shipped.exists()) // installed: never a file among the programs
        return UserCopy(userFile, shipped.filePath());
    if (QFileInfo(appPath).isWritable())
        return IniFile(own.filePath());
    QDir().mkpath(QFileInfo(userFile).absolutePath()); // the first change makes the file there
    return IniFile(userFile);
}
