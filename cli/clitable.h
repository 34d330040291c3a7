#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>

// A list printed to standard output as it grows: in text a header line of
// the column names, then one line of blank-separated values per row; in
// JSON one object per row with the column names as keys.
class CliTable {
public:
    CliTable(QStringList columns, bool json);

    // Values as CliResult fields hold them: text, numbers, yes/no, or none.
    void Row(const QVariantList& values);
    int Rows() const { return m_Rows; }

private:
    QStringList m_Columns;
    bool m_Json;
    int m_Rows = 0;
};
