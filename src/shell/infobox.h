#pragma once

#include <QTextEdit>

// A page's information text: read-only, drawn on the page's background,
// growing with its text up to a limit and scrolling beyond it. Operations set
// and append to it; a click on it may select the option it explains.
class InfoBox : public QTextEdit {
    Q_OBJECT
public:
    explicit InfoBox(QWidget* parent = nullptr);

    // CR LF and LF both break lines.
    void SetText(const QString& text);
    void AppendText(const QString& text);
    QString Text() const; // lines joined with LF
    // Shows the first lines (a long result read from its start).
    void ScrollToStart();

    // The height up to which the box grows before it scrolls.
    void SetMaximumAutoHeight(int pixels);
    // A result area: the box keeps this least height and takes the room its
    // layout gives it, whatever its text, so nothing around it moves when the
    // text changes; it no longer fits its height to the text.
    void SetResultArea(int minimumHeight);

    // Lets the text be selected with the mouse or the keyboard (the box then
    // takes the focus) and copied with Ctrl+C.
    void SetCopyable(bool copyable);

    // As high as the text needs, up to the limit, so a layout gives spare
    // room to the page rather than to an empty box (a text edit's own hints
    // are a scroll area's, several lines high).
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void FitHeight();

    int m_MaximumAutoHeight = 160;
    bool m_FitsText = true;
};
