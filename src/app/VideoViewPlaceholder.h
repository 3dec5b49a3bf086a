#pragma once

#include "app/Messages.h"

#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class CBasePlayer;

// Stand-in for the video view until the real one is merged: owns the two
// players, keeps the active index, the common volume and mute state, and
// notifies the frame exactly as the real view does. No zoom placement and no
// full-screen window.
class CVideoView : public QWidget, public CMessageTarget
{
public:
    struct Hooks
    {
        std::function<std::unique_ptr<CBasePlayer>()> createPlayer;
        std::function<bool()> checkRuntime;
        std::function<void(const std::string& text, const std::string& caption)> fatalMessageBox;
        std::function<void(int exitCode)> exitProcess;
    };
    static Hooks DefaultHooks();
    void SetHooks(Hooks hooks) { m_Hooks = std::move(hooks); }

    CVideoView(CMessageTarget* frame, QWidget* parent);
    ~CVideoView() override;

    void OnInitialUpdate();
    LRESULT SendMessage(unsigned msg, WPARAM wParam, LPARAM lParam) override;

    bool OpenMedia(const std::string& path, int player);
    void Play(int player);
    void PlayOnly(int player);
    void Pause(int player);
    void Stop(int player);
    void SetPosition(int player, uint32_t position);
    void SetVolume(int32_t volume);
    void SetMute(bool mute);
    void SetActivePlayer(int player);
    void ToggleFullscreen();
    void ZoomTo(int percent);
    void ZoomFit();

    std::string GetTitle(int player);
    std::string GetFileName(int player);
    int GetActivePlayer() const { return m_ActivePlayer; }
    int GetZoomLevel() const { return m_ZoomLevel; }
    bool IsFullscreen() const { return m_bFullscreen; }
    bool IsMuted() const { return m_bMuted; }
    int32_t GetVolume() const { return m_Volume; }
    CBasePlayer* GetPlayer(int player) const;

private:
    void Notify(unsigned msg, WPARAM wParam, LPARAM lParam);
    void NotifyState(int player);
    void ReleaseAllPlayers();

    CMessageTarget* m_pFrame;
    Hooks m_Hooks;
    std::array<std::unique_ptr<CBasePlayer>, 2> m_pPlayers;
    std::array<int32_t, 2> m_SavedState {};
    bool m_bInitialised = false;
    int m_ActivePlayer = 0;
    int32_t m_Volume = 0;
    bool m_bFullscreen = false;
    bool m_bMuted = false;
    int m_ZoomLevel = 100;
};
