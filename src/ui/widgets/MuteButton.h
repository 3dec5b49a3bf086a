#pragma once

#include "ui/widgets/MyButton.h"

// Toggles the sound. The state flips when the button goes down (showing the
// pressed picture of the state being entered) and is sent when it comes up
// inside; released outside, the flip is taken back, so the picture never shows
// a state that was not sent. No hover pictures.
class CMuteButton : public CMyButton
{
public:
    explicit CMuteButton(CMessageTarget* target);

    // Creates the button showing "sound on".
    bool Create(QWidget* host, int left, int top);
    using CMyButton::Create;
    // Shows the state without sending it (the sound was set elsewhere).
    void SetMuted(bool muted);

    void OnLButtonUp(unsigned flags, const QPoint& point) override;
    void OnLButtonDown(unsigned flags, const QPoint& point) override;

private:
    int RestingBitmap() const;
};
