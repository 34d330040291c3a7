#include "resultlabel.h"

ResultLabel::ResultLabel(QWidget* parent)
    : QLabel(parent)
{
    setWordWrap(true);
    setTextFormat(Qt::PlainText);
}

void ResultLabel::ShowResult(const QString& text, ResultKind kind)
{
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, ColourOf(kind));
    setPalette(colours);
    setText(text);
}

QColor ResultLabel::ColourOf(ResultKind kind)
{
    switch (kind) {
    case ResultKind::Success:
        return {0, 0, 255};
    case ResultKind::Failure:
        return {255, 0, 0};
    case ResultKind::DeviceError:
        return {177, 4, 12};
    }
    return {0, 0, 255};
}
