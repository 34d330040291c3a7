#pragma once

#include <QByteArray>
#include <QString>
#include <array>

// The small picture in front of a result row.
enum class SearchIcon : int {
    Neutral = 1,   // probed, no usable answer
    Answered = 2,  // a meter answered
    Fault = 3,     // collision, garbled or bad reply
    Uncertain = 4, // a lone E5h answered a wildcard selection: more meters may match
};

// One row of the search result list: an icon and nine texts, shown in list
// columns 2 to 10 (column 1 shows the icon alone).
struct SearchResultRow {
    static constexpr int kTextCount = 9;

    SearchIcon icon = SearchIcon::Neutral;
    std::array<QString, kTextCount> texts;
    // The whole reply to the row's REQ_UD2, for a caller that reports the
    // meter's data without asking it again; empty when none came.
    QByteArray reply;

    // Texts are numbered from 1, as the columns they fill are named.
    QString& Text(int number) { return texts.at(static_cast<size_t>(number - 1)); }
    const QString& Text(int number) const { return texts.at(static_cast<size_t>(number - 1)); }

    bool operator==(const SearchResultRow&) const = default;
};

// What each text of a row holds.
namespace rowtext {
constexpr int kProbed = 1;       // the primary address or the mask probed
constexpr int kAddress = 2;      // the A field of the meter's reply
constexpr int kSelection = 3;    // result of SND_NKE or of the selection frame
constexpr int kReadout = 4;      // result of REQ_UD2
constexpr int kIdentification = 5;
constexpr int kManufacturer = 6;
constexpr int kVersion = 7;
constexpr int kMedium = 8;
constexpr int kDevice = 9;
} // namespace rowtext
