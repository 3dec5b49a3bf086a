#pragma once

#include "ui/widgets/MyButton.h"

// A button with a normal, a hovered and a pressed picture that acts when the
// left button goes down and comes up inside it. While pressed, the pressed
// picture stays even when the pointer leaves, and releasing outside does nothing
// but restore the resting picture.
class CPushButton : public CMyButton
{
public:
    CPushButton(CMessageTarget* target, int normal, int hover, int pressed);

    void OnLButtonUp(unsigned flags, const QPoint& point) override;
    void OnLButtonDown(unsigned flags, const QPoint& point) override;
    void OnMouseMove(unsigned flags, const QPoint& point) override;

    // Creates the button showing its normal picture.
    bool Create(QWidget* host, int left, int top)
    {
        return CMyButton::Create(host, left, top, NormalBitmap());
    }
    using CMyButton::Create;

protected:
    virtual int NormalBitmap() const { return m_Normal; }
    // The button's action on a completed click.
    virtual void OnClick() = 0;

private:
    int m_Normal;
    int m_Hover;
    int m_Pressed;
};
