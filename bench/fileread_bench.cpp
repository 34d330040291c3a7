// The readers of the files people load, with files far larger than real
// ones (which take kilobytes): for the ASCII item file, the Modbus page's
// configuration and the simulator's bus file at 1, 10 and 100 MB, the file's
// size, the peak memory the reading took above what the process held before,
// that peak as a multiple of the file's size, and the time. Every case runs
// in a child process of its own, so that one case's peak hides no other's.
//
// fileread_bench [MB ...]   (default 1 10 100)
#include "ascii/asciiitemfile.h"
#include "base/fileerror.h"
#include "modbus/modbusconfigfile.h"
#include "busconfig.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

namespace {

long StatusKb(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(static_cast<qsizetype>(std::strlen(field))).trimmed().split(' ').front().toLong();
    }
    return -1;
}

// Writes the head, then lines from `line` until the file holds `bytes`,
// then the tail; in pieces, so that the bench itself holds no large file.
void WriteFile(const QString& path, qint64 bytes, const QByteArray& head, const std::function<QByteArray(int)>& line,
               const QByteArray& tail = QByteArray())
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    file.write(head);
    QByteArray piece;
    qint64 written = head.size();
    for (int i = 0; written + tail.size() < bytes; ++i) {
        const QByteArray next = line(i);
        piece += next;
        written += next.size();
        if (piece.size() > 1024 * 1024)
            file.write(std::exchange(piece, QByteArray()));
    }
    file.write(piece);
    file.write(tail);
}

struct Reader {
    const char* name;
    std::function<void(const QString&, qint64)> write;
    std::function<QString(const QString&)> read; // what the reading gave, in a few words
};

QString ItemsRead(const AsciiItemFileRead& read)
{
    if (read.error)
        return read.error->Message();
    return QStringLiteral("%1 names%2").arg(read.tags.size()).arg(read.complete ? QString() : QStringLiteral(", stopped"));
}

QString ModbusRead(const QString& path)
{
    const std::variant<QByteArray, FileError> content = ReadWholeFile(path);
    if (const auto* error = std::get_if<FileError>(&content))
        return error->Message();
    const ModbusConfigLoad load = ParseModbusConfiguration(std::get<QByteArray>(content));
    return QStringLiteral("%1 rows%2").arg(load.rows.size()).arg(load.error ? QStringLiteral(", error %1").arg(load.error->number) : QString());
}

const QByteArray kModbusHead = "WizardModbus\r\n1,False,True,0,1,100,10,\r\n";

QList<Reader> Readers()
{
    const auto writeItems = [](const QString& path, qint64 bytes) {
        WriteFile(path, bytes, {}, [](int i) { return QByteArray("GW1.METER") + QByteArray::number(i) + ".VOLUME_PV\r\n"; });
    };
    return {
        {"ASCII items", writeItems,
         [](const QString& path) { return ItemsRead(ReadAsciiItemFile(path, AsciiItemFileFormat::Modbus)); }},
        // what the page does with them: the item list filled
        {"ASCII items, list filled", writeItems,
         [](const QString& path) {
             int argc = 1;
             char name[] = "fileread_bench";
             char* argv[] = {name, nullptr};
             qputenv("QT_QPA_PLATFORM", "offscreen");
             QApplication application(argc, argv);
             const AsciiItemFileRead read = ReadAsciiItemFile(path, AsciiItemFileFormat::Modbus);
             QComboBox list;
             list.setEditable(true);
             list.addItems(read.tags);
             return ItemsRead(read);
         }},
        // row lines until the file is full: the seventh ends the reading
        {"Modbus configuration, lines",
         [](const QString& path, qint64 bytes) {
             WriteFile(path, bytes, kModbusHead, [](int i) { return "2,0,100,0000 0102,258,Flow " + QByteArray::number(i) + ",\r\n"; });
         },
         ModbusRead},
        // a request line of fields without end: the first seven are read
        {"Modbus configuration, one request line",
         [](const QString& path, qint64 bytes) {
             WriteFile(path, bytes, kModbusHead.chopped(2), [](int) { return QByteArray("x,").repeated(2048); }, "\r\n");
         },
         ModbusRead},
        // one row whose description fills the file: read whole
        {"Modbus configuration, one description",
         [](const QString& path, qint64 bytes) {
             WriteFile(path, bytes, kModbusHead + "2,0,100,0000 0102,258,", [](int) { return QByteArray(4096, 'd'); }, ",\r\n");
         },
         ModbusRead},
        {"bus file",
         [](const QString& path, qint64 bytes) {
             WriteFile(
                 path, bytes, "{\"baud\": 2400, \"meters\": [\n",
                 [](int i) {
                     return QByteArray("{\"address\": ") + QByteArray::number(i % 251) + ", \"id\": \"" +
                            QByteArray::number(10000000 + i % 89999999) +
                            "\", \"records\": [{\"dif\": \"04\", \"vif\": \"13\", \"value\": " + QByteArray::number(i) +
                            "}, {\"dif\": \"02\", \"vif\": \"6C\", \"date\": \"2024-12-31\"}]},\n";
                 },
                 "{\"address\": 0, \"id\": \"1\"}]}\n");
         },
         [](const QString& path) {
             const BusConfigResult result = LoadBusConfig(path);
             return result.config ? QStringLiteral("%1 meters").arg(result.config->meters.size()) : result.error;
         }},
    };
}

// Runs one case in a child and prints its line.
void RunCase(const Reader& reader, const QString& path, qint64 bytes)
{
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        QFile clear(QStringLiteral("/proc/self/clear_refs"));
        if (clear.open(QIODevice::WriteOnly))
            clear.write("5"); // the peak starts again from what is held now
        clear.close();
        const long before = StatusKb("VmRSS:");
        QElapsedTimer clock;
        clock.start();
        QString outcome = reader.read(path);
        const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        const long peak = StatusKb("VmHWM:") - before;
        if (outcome.size() > 60)
            outcome = outcome.left(57) + QStringLiteral("...");
        std::printf("%-38s %8.1f MB %9.1f MB %6.2f x %9.1f ms  %s\n", reader.name, static_cast<double>(bytes) / 1e6,
                    static_cast<double>(peak) / 1024.0, static_cast<double>(peak) * 1024.0 / static_cast<double>(bytes),
                    ms, qPrintable(outcome));
        std::fflush(stdout);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
}

} // namespace

int main(int argc, char** argv)
{
    QList<qint64> sizes;
    for (int i = 1; i < argc; ++i)
        sizes << static_cast<qint64>(std::atof(argv[i]) * 1e6);
    if (sizes.isEmpty())
        sizes = {1000000, 10000000, 100000000};
    QTemporaryDir dir;
    std::printf("%-38s %11s %12s %8s %12s  %s\n", "reader", "file", "peak memory", "ratio", "time", "read");
    for (const Reader& reader : Readers()) {
        for (const qint64 bytes : sizes) {
            const QString path = dir.filePath(QStringLiteral("file"));
            reader.write(path, bytes);
            RunCase(reader, path, QFile(path).size());
        }
    }
    return 0;
}
