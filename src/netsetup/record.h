#pragma once

#include <array>

// A gateway configuration record. The wizard keeps records 0 to 7; record 0
// holds the network settings, record 1 the security switches. The transfer
// and the field accessors are added with the network setup pages.
class cRecord {
public:
    explicit cRecord(int recordNumber = 0)
        : m_RecordNumber(recordNumber)
    {
    }

    int RecordNumber() const { return m_RecordNumber; }

private:
    int m_RecordNumber;
};

// The eight records, numbered 0 to 7, created once at start-up.
struct DeviceRecords {
    DeviceRecords()
    {
        for (int i = 0; i < static_cast<int>(m_Record.size()); ++i)
            m_Record[static_cast<size_t>(i)] = cRecord(i);
    }
    std::array<cRecord, 8> m_Record;
};
