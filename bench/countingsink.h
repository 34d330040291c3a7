#pragma once

#include "search/meterscan.h"

// Counts a scan's rows by how they ended; a search window would show them.
class CountingSink : public SearchRowSink {
public:
    int AddRow(const SearchResultRow&) override { return rows++; }
    void ChangeRow(int, const SearchResultRow&) override {}
    void RowFinished(int, const SearchResultRow& row) override
    {
        answered += row.icon == SearchIcon::Answered;
        faults += row.icon == SearchIcon::Fault || row.icon == SearchIcon::Uncertain;
    }
    void RemoveRow(int) override {}
    void SetProgress(int, int) override {}
    void SetStatus(int, const QString&) override {}
    int rows = 0;
    int answered = 0;
    int faults = 0;
};
