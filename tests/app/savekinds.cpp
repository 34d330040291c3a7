#include "savekinds.h"

#include "ascii/asciiitemfile.h"
#include "modbus/modbusconfigfile.h"
#include "search/searchexport.h"
#include "base/fileappend.h"
#include "base/inifile.h"
#include "base/settingkeys.h"
#include "base/settings.h"

namespace {

// Large enough that a write takes a while, so kills land in its middle;
// the two variants differ in length, so a torn write cannot pass for one.
QString Filler(int variant) { return QString(variant == 0 ? 150000 : 90000, variant == 0 ? u'a' : u'b'); }

QStringList ReportLines()
{
    return QStringList(60, QStringLiteral("    1  12345678  KVX  01  Water  answered"));
}

} // namespace

QStringList SaveKindNames()
{
    return {"ini", "settings", "log", "export-csv", "export-report", "item-file", "modbus-file"};
}

bool SaveKindFromName(const QString& name, SaveKind* kind)
{
    const qsizetype index = SaveKindNames().indexOf(name);
    if (index < 0)
        return false;
    *kind = static_cast<SaveKind>(index);
    return true;
}

bool SaveKindAppends(SaveKind kind)
{
    return kind == SaveKind::Log || kind == SaveKind::ExportReport;
}

QByteArray AppendedBlock(SaveKind kind)
{
    QByteArray block;
    if (kind == SaveKind::ExportReport) {
        for (const QString& line : ReportLines())
            block += line.toUtf8() + "\r\n";
        return block;
    }
    return QByteArray(2000, '-') + "\r\n";
}

void SaveVariant(SaveKind kind, const QString& path, int variant)
{
    switch (kind) {
    case SaveKind::Ini:
        IniFile(path).Write({QStringLiteral("Kill"), QStringLiteral("Value"), QString()}, Filler(variant));
        break;
    case SaveKind::Settings:
        // The store reads and escapes the whole file on each save: a smaller value keeps saves frequent.
        Settings::AtFile(path).SaveSetting(keys::kWizardSection, QStringLiteral("Kill"), Filler(variant).left(15000 - 6000 * variant));
        break;
    case SaveKind::Log:
        AppendToFile(path, AppendedBlock(kind));
        break;
    case SaveKind::ExportCsv:
        SaveSearchExport(path, QStringList(variant == 0 ? 3000 : 2000, Filler(variant).left(40)), ExportWrite::Replace);
        break;
    case SaveKind::ExportReport:
        SaveSearchExport(path, ReportLines(), ExportWrite::Append);
        break;
    case SaveKind::ItemFile:
        WriteAsciiItemFile(path, QStringList(variant == 0 ? 6000 : 4000, Filler(variant).left(20)));
        break;
    case SaveKind::ModbusFile: {
        ModbusConfiguration configuration;
        configuration.request.slaveAddress = QStringLiteral("1");
        for (int i = 0; i < 6; ++i)
            configuration.rows.append({0, 0, QString::number(100 + i), QString(), QString(), Filler(variant).left(20000)});
        WriteWholeFile(path, FormatModbusConfiguration(configuration));
        break;
    }
    }
}
