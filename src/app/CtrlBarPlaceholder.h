#pragma once

#include "app/Messages.h"

#include <QWidget>

#include <cstdint>
#include <string>

class QLabel;
class QSlider;
class QToolButton;

// Stand-in for the owner-drawn control bar until it is merged: plain buttons,
// two sliders and a status line with the setters the main frame uses. It
// reports user actions with the same messages and keeps "CtrlBar"/"m_Volume".
class CPlayerCtrlBar : public QWidget
{
    Q_OBJECT

public:
    CPlayerCtrlBar(CMessageTarget* frame, QWidget* parent);
    ~CPlayerCtrlBar() override;

    void OnInitialUpdate();
    void OnTimer();

    // Status display.
    void SetStatusTitle(const std::string& title);
    void SetStatusPlayState(int state);
    void SetStatusPosition(uint32_t ms);
    void SetStatusDuration(uint32_t ms);
    void RedrawStatus();

    // Position slider (milliseconds).
    void SetPositionRange(int64_t range);
    void SetPositionPos(int64_t pos);
    int64_t GetPositionPos() const;
    void EnablePositionSlider(bool enable);
    bool IsPositionSliderEnabled() const;

    // Volume slider and the volume range R.
    void SetVolumeRange(int range);
    int GetVolumeRange() const { return m_VolumeRange; }
    void SetVolumePos(int64_t pos);
    int64_t GetVolumePos() const;

    void SetPlayerButtons(int activePlayer);
    bool IsPlayerButtonLit(int player) const;

    static std::string FormatTime(uint32_t ms);

private:
    QToolButton* AddButton(const char* text, const char* tip);
    void Send(unsigned msg, WPARAM wParam, LPARAM lParam);

    CMessageTarget* m_pFrame;
    QToolButton* m_pMute = nullptr;
    QToolButton* m_pPlayerA = nullptr;
    QToolButton* m_pPlayerB = nullptr;
    QSlider* m_pPosition = nullptr;
    QSlider* m_pVolume = nullptr;
    QLabel* m_pStatus = nullptr;
    int m_VolumeRange = 3000;
    int m_PlayState = 0;
    int m_TextMode = 0;
    uint32_t m_Position = 0;
    uint32_t m_Duration = 0;
    std::string m_Title;
    qint64 m_ModeStart = 0;
    bool m_bInitialised = false;
};
