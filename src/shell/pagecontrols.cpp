#include "pagecontrols.h"

#include "base/textnumber.h"

#include <QFontMetrics>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>

QPushButton* CommandButton(QWidget* parent, const QString& name, const QString& caption)
{
    auto* button = Named(new QPushButton(caption, parent), name);
    button->setAutoDefault(false);
    return button;
}

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

namespace {
const char* const kRefused = "refused";
} // namespace

void MarkRefused(QLineEdit* field, bool refused)
{
    if (IsMarkedRefused(field) == refused)
        return;
    field->setProperty(kRefused, refused);
    if (!refused) {
        field->setPalette(QPalette()); // the inherited colours again
        return;
    }
    QPalette colours = field->palette();
    colours.setColor(QPalette::Base, QColor(255, 200, 200));
    field->setPalette(colours);
}

bool IsMarkedRefused(const QLineEdit* field)
{
    return field->property(kRefused).toBool();
}

QStringList RefuseNonWholeMilliseconds(const QList<std::pair<QLineEdit*, QString>>& fields)
{
    QStringList refused;
    for (const auto& [field, name] : fields) {
        const bool bad = !IsWholeMilliseconds(field->text());
        MarkRefused(field, bad);
        if (!bad)
            continue;
        if (refused.isEmpty()) {
            field->setFocus();
            field->selectAll();
        }
        refused << name;
    }
    return refused;
}
