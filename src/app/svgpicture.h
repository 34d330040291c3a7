#pragma once

#include <QWidget>

class QSvgRenderer;

// A picture drawn from one of our SVG resources, sharp at any scaling.
class SvgPicture : public QWidget {
    Q_OBJECT
public:
    SvgPicture(const QString& resource, QSize logicalSize, QWidget* parent = nullptr);

    QSize sizeHint() const override { return m_Size; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QSvgRenderer* m_Renderer;
    QSize m_Size;
};
