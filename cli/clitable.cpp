#include "clitable.h"

#include "clioutput.h"

#include <cstdio>

namespace {
void Print(const QString& line)
{
    std::fprintf(stdout, "%s\n", qPrintable(line));
    std::fflush(stdout);
}
} // namespace

CliTable::CliTable(QStringList columns, bool json)
    : m_Columns(std::move(columns))
    , m_Json(json)
{
    if (!m_Json)
        Print(m_Columns.join(u' '));
}

void CliTable::Row(const QVariantList& values)
{
    ++m_Rows;
    if (!m_Json) {
        QStringList texts;
        for (const QVariant& value : values)
            texts << TextValue(value);
        Print(texts.join(u' '));
        return;
    }
    CliResult row;
    for (qsizetype i = 0; i < m_Columns.size() && i < values.size(); ++i)
        row.Add(m_Columns[i], values[i]);
    Print(FormatResult(row, true));
}
