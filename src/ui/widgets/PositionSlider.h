#pragma once

#include "ui/widgets/MySlider.h"

// A slider with an end picture beside each end of its track.
class CPositionSlider : public CMySlider
{
public:
    explicit CPositionSlider(CMessageTarget* target);

    bool Create(int id, const CRect& track, QWidget* host, bool scaleThumb) override;
    void Draw(QPainter& painter) override;
    void SetWidth(int width) override;

private:
    QPixmap m_bmLeft;
    QPixmap m_bmRight;
    int m_LeftWidth = 0;
    int m_LeftHeight = 0;
    int m_RightWidth = 0;
    int m_RightHeight = 0;
};
