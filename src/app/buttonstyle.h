#pragma once

#include <QProxyStyle>

class QApplication;

// Push buttons with room around their captions in any language: an average
// character's width on either side, and never narrower than a classic
// dialog button (50 dialog units, 12.5 average characters). Both follow the
// button's own font, so they grow with the font and the screen's scaling.
class RoomyButtonStyle : public QProxyStyle {
    Q_OBJECT
public:
    using QProxyStyle::QProxyStyle;

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& contents,
                           const QWidget* widget) const override;
};

// Gives the whole application, Qt's own dialogs included, these buttons.
void UseRoomyButtons(QApplication& application);
