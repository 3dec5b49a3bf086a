#pragma once

#include "core/Messages.h"
#include "ui/widgets/LogoButton.h"
#include "ui/widgets/MuteButton.h"
#include "ui/widgets/MySlider.h"
#include "ui/widgets/NextButton.h"
#include "ui/widgets/PauseButton.h"
#include "ui/widgets/PlayButton.h"
#include "ui/widgets/PlayerAButton.h"
#include "ui/widgets/PlayerBButton.h"
#include "ui/widgets/PositionSlider.h"
#include "ui/widgets/PrevButton.h"
#include "ui/widgets/StatusDisplay.h"
#include "ui/widgets/StopButton.h"

#include <QPixmap>
#include <QWidget>

#include <cstdint>

// The 74-pixel strip below the video: transport, Player A/B, previous/next,
// mute, volume and position sliders, the maker's logo and the status line. It
// draws all of them itself, off-screen, and hands them its mouse events; they
// report user actions to the main frame. It keeps the volume range R and the
// volume slider's position ("CtrlBar"/"m_Volume").
class CPlayerCtrlBar : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kHeight = 74;

    explicit CPlayerCtrlBar(CMessageTarget* mainFrame, QWidget* parent = nullptr);
    ~CPlayerCtrlBar() override;

    // Places the widgets and restores the volume; once, after the video view's.
    void OnInitialUpdate();
    bool IsInitialised() const { return m_bInitialised; }

    // The 100 ms tick of the main frame.
    void OnTimer() { m_Status.OnTimer(); }

    // Status line.
    void SetStatusTitle(const QString& title) { m_Status.SetTitle(title); }
    void SetStatusPlayState(int state) { m_Status.SetPlayState(state); }
    void SetStatusPosition(uint32_t ms) { m_Status.SetPosition(ms); }
    void SetStatusDuration(uint32_t ms) { m_Status.SetDuration(ms); }
    void RedrawStatus() { m_Status.Redraw(); }

    // Position slider (milliseconds).
    void SetPositionRange(int64_t range) { m_PosSlider.SetRange(range); }
    void SetPosition(int64_t pos) { m_PosSlider.SetPos(pos); }
    void EnablePositionSlider(bool enable) { m_PosSlider.Enable(enable); }
    void RedrawPositionSlider() { update(); }

    // Volume slider (0 ... R) and the range R. ApplyVolumeRange moves the
    // slider to R (0 dB) only when R changed, and returns whether it did.
    void SetVolumePos(int64_t pos);
    void SetMuted(bool muted) { m_MuteButton.SetMuted(muted); }
    bool ApplyVolumeRange(int range);
    int GetVolumeRange() const { return m_VolumeRange; }

    // Lights the button of the active player and unlights the other.
    void SetActivePlayer(int player);

    CPositionSlider& PositionSlider() { return m_PosSlider; }
    CMySlider& VolumeSlider() { return m_VolSlider; }
    CStatusDisplay& Status() { return m_Status; }
    CLogoButton& LogoButton() { return m_LogoButton; }

    // The bar as it would be drawn, for screenshots and tests.
    QPixmap Render();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    enum class Mouse { Down, Up, Move };
    void Forward(Mouse kind, unsigned flags, const QPoint& point);
    void PaintInto(QPainter& painter);

    CPlayButton m_PlayButton;
    CPauseButton m_PauseButton;
    CStopButton m_StopButton;
    CMuteButton m_MuteButton;
    CPrevButton m_PrevButton;
    CNextButton m_NextButton;
    CLogoButton m_LogoButton;
    CPlayerAButton m_PlayerAButton;
    CPlayerBButton m_PlayerBButton;
    CPositionSlider m_PosSlider;
    CMySlider m_VolSlider;
    CStatusDisplay m_Status;
    int m_VolumeRange = 3000;
    bool m_bInitialised = false;
    CMessageTarget* m_pMainFrame;
};
