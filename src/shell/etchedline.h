#pragma once

#include <QWidget>

// A horizontal etched separator: a grey line with a white line one pixel
// below it.
class EtchedLine : public QWidget {
    Q_OBJECT
public:
    explicit EtchedLine(QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};
