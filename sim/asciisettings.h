#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <chrono>

// One item of the ASCII front end's tag table: a value, or an error letter
// the gateway answers with instead, and how long it takes to answer.
struct AsciiTag {
    QByteArray name;
    QByteArray value;
    char error = 0; // 0: answer the value; otherwise NAK with this letter
    std::chrono::milliseconds delay{0};
};

// The ASCII front end as the bus file's "ascii" object describes it
// (format in sim/README.md).
struct AsciiSettings {
    int station = 0;        // the multidrop station it answers to; others get X
    int maxTagLength = 64;  // a longer (or an empty) item name gets L
    QList<AsciiTag> tags;
};

// A few process values (also under names with two dots, as a Modbus item
// file has them), slow items, and one item for each error letter that only
// a device can give (and Q, which no client knows).
AsciiSettings DefaultAsciiSettings();

// The bus file's "ascii" object; the built-in table when it is absent.
// Throws ConfigError.
AsciiSettings ReadAsciiSettings(const QJsonValue& value, const QString& path);
