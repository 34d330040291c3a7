#pragma once

#include <QLabel>

// How the last action of a test page ended; each has its own colour.
enum class ResultKind {
    Success,     // blue
    Failure,     // red: a timeout or a refused file
    DeviceError, // dark red: the device reported an error, or a bad check value
};

// The result line of the Modbus and ASCII pages.
class ResultLabel : public QLabel {
    Q_OBJECT
public:
    explicit ResultLabel(QWidget* parent = nullptr);

    void ShowResult(const QString& text, ResultKind kind);

    static QColor ColourOf(ResultKind kind);
};
