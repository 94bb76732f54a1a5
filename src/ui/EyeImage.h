#pragma once

#include <QLabel>

// One picture of the watching eyes: scaled to fill its box, with the eyes'
// tooltip and a pointing-hand cursor; a left click on it emits clicked().
class EyeImage : public QLabel {
    Q_OBJECT

public:
    EyeImage(const QString& picture, QWidget* parent);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool pressed_ = false;
};
