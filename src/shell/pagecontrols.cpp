#include "pagecontrols.h"

#include <QFontMetrics>
#include <QLineEdit>

void FitWidthToDigits(QLineEdit* field, int digits)
{
    const QFontMetrics metrics(field->font());
    int widest = 0;
    for (const QChar digit : QStringLiteral("0123456789ABCDEF"))
        widest = std::max(widest, metrics.horizontalAdvance(digit));
    // A text box's size hint is its frame and margins around room for 17 "x";
    // keep the frame and margins, replace the room (with half a digit to
    // spare for the cursor).
    const int frame = field->sizeHint().width() - 17 * metrics.horizontalAdvance(u'x');
    field->setFixedWidth(frame + digits * widest + widest / 2);
}
