#include "infobox.h"

#include <QAbstractTextDocumentLayout>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextCursor>

namespace {
QString NormalisedBreaks(QString text)
{
    return text.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n');
}
} // namespace

InfoBox::InfoBox(QWidget* parent)
    : QTextEdit(parent)
{
    setReadOnly(true);
    setFrameShape(QFrame::NoFrame);
    setAcceptRichText(false);
    setTextInteractionFlags(Qt::NoTextInteraction);
    setFocusPolicy(Qt::NoFocus);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    viewport()->setAutoFillBackground(false);
    setStyleSheet(QStringLiteral("QTextEdit { background: transparent; }"));
    document()->setDocumentMargin(1);
    connect(document()->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged, this,
            [this] { FitHeight(); });
}

void InfoBox::SetText(const QString& text)
{
    setPlainText(NormalisedBreaks(text));
    FitHeight();
}

void InfoBox::AppendText(const QString& text)
{
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(NormalisedBreaks(text));
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    FitHeight();
}

QString InfoBox::Text() const
{
    return toPlainText();
}

void InfoBox::ScrollToStart()
{
    verticalScrollBar()->setValue(verticalScrollBar()->minimum());
}

void InfoBox::SetMaximumAutoHeight(int pixels)
{
    m_MaximumAutoHeight = pixels;
    FitHeight();
}

void InfoBox::SetResultArea(int minimumHeight)
{
    m_FitsText = false;
    setMinimumHeight(minimumHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void InfoBox::SetCopyable(bool copyable)
{
    setTextInteractionFlags(copyable ? Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard : Qt::NoTextInteraction);
    setFocusPolicy(copyable ? Qt::StrongFocus : Qt::NoFocus);
    setTabChangesFocus(true);
    // Qt's own menu would show captions that are not language texts.
    setContextMenuPolicy(Qt::NoContextMenu);
}

QSize InfoBox::sizeHint() const
{
    return {QTextEdit::sizeHint().width(), minimumHeight()};
}

QSize InfoBox::minimumSizeHint() const
{
    return {QTextEdit::minimumSizeHint().width(), minimumHeight()};
}

void InfoBox::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        emit clicked();
    QTextEdit::mousePressEvent(event);
}

void InfoBox::resizeEvent(QResizeEvent* event)
{
    QTextEdit::resizeEvent(event);
    FitHeight();
}

void InfoBox::FitHeight()
{
    if (!m_FitsText)
        return;
    const int wanted = static_cast<int>(document()->size().height()) + 2 * frameWidth() + 2;
    const int height = std::min(wanted, m_MaximumAutoHeight);
    if (minimumHeight() != height)
        setMinimumHeight(height);
}
