#pragma once

#include <QPixmap>
#include <QWidget>

// The start-up picture: frameless, black keyed out, 224/255 opaque, closes
// itself after three seconds and never blocks the main window.
class CDlgSplash : public QWidget
{
    Q_OBJECT

public:
    static constexpr int IDD = 360;
    static constexpr int kShowMs = 3000;
    static constexpr double kOpacity = 224.0 / 255.0;

    explicit CDlgSplash(QWidget* over = nullptr);

    // Shows the splash centred over the given window and starts its timer.
    void ShowOver(QWidget* over);
    bool IsTimerRunning() const { return m_nTimer != 0; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    QPixmap m_Picture;
    int m_nTimer = 0;
};
