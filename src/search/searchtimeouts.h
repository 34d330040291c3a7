#pragma once

#include "fastsearchtiming.h"

#include "base/settingkeys.h"

#include <QList>
#include <QString>
#include <chrono>
#include <optional>

class Settings;

// The search timeouts of the INI file: for each gateway type a SND_NKE (or
// selection) timeout and a REQ_UD2 timeout at 300, 2400 and 9600 bps.

// The three speeds that have timeouts, in the order of the timeout options.
constexpr int kTimeoutOptions = 3;
QString TimeoutOptionSpeed(int option); // "300", "2400", "9600"

struct SearchTimeoutPair {
    std::chrono::milliseconds sndNke{1000};
    std::chrono::milliseconds rspUd2{10000};
};

// The pair a search uses at the line speed. A speed without keys, a missing
// key and a value that does not start with a number give the search's own
// defaults, 1000 and 10000 ms.
SearchTimeoutPair SearchTimeoutsAt(const IniFile& ini, const QString& speed, ini::SearchGateway type);

// A timeout option's caption, from the values as the file holds them:
// "1500 ms/3000 ms (2400 bps)".
QString TimeoutOptionCaption(const IniFile& ini, int option, ini::SearchGateway type);

// The active set as stored: "0" Aspen, anything else Birch.
ini::SearchGateway StoredActiveSetting(const Settings& settings);

// The six keys of one set, in the dialog's row order (SND_NKE and RSP_UD2 at
// 300, 2400, 9600 bps), with the dialog's defaults.
QList<IniKey> SearchTimeoutDialogKeys(ini::SearchGateway type);

// The collision delays of section "Search".
std::chrono::milliseconds ReadSearchDelay(const IniFile& ini, const IniKey& key);

// The fast search's line at this speed ("2400") with the INI file's gateway
// allowance; nothing when the speed is not a number of baud.
std::optional<FastSearchLine> FastSearchLineAt(const IniFile& ini, const QString& speed);
