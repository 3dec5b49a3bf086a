#pragma once

#include "core/CoreTypes.h"

#include <QImage>

#include <cstdint>
#include <string>

class CMessageTarget;

// The abstract player: one medium into one video window and one audio output.
// Callers drive a player only through these virtual operations, in this slot
// order. Each default is harmless, so a partial implementation (a scripted test
// player) stays safe to call.
//
// Invariant: transport, seeking and video operations act only in GRAPH_OPEN.
class CBasePlayer
{
public:
    enum GraphState : int32_t { GRAPH_NONE = 0, GRAPH_OPENING = 1, GRAPH_OPEN = 2 };
    enum PlayState : int32_t { STATE_STOPPED = 0, STATE_PAUSED = 1, STATE_RUNNING = 2, STATE_SEEKING = 3 };
    enum PlayerType : int32_t { PLAYER_TYPE_BASE = 0, PLAYER_TYPE_MEDIA_FILE = 1 };

    // Graph event code for "playback complete".
    static constexpr int32_t EC_COMPLETE = 1;
    static constexpr int32_t EC_ERRORABORT = 3;
    // An asynchronous open ended; param1 is 1 when the medium is open, 0 when it failed.
    static constexpr int32_t EC_OPEN_COMPLETE = 0x8001;
    // What GetVolume returns when no volume can be read.
    static constexpr int32_t VOLUME_UNREADABLE = 1;

    CBasePlayer() = default;
    CBasePlayer(const CBasePlayer&) = delete;
    CBasePlayer& operator=(const CBasePlayer&) = delete;

    /*  0 */ virtual ~CBasePlayer() = default;
    /*  1 */ virtual bool Init(CMessageTarget* owner);
    /*  2 */ virtual void Close() { }
    /*  3 */ virtual void Run() { }
    /*  4 */ virtual void Pause() { }
    /*  5 */ virtual void Stop() { }
    /*  6 */ virtual void SetPosition(uint32_t /*ms*/) { }
    /*  7 */ virtual void SeekBy(int32_t /*ms*/) { }
    /*  8 */ virtual uint32_t GetDuration() { return 0; }
    /*  9 */ virtual uint32_t GetPosition() { return 0; }
    /* 10 */ virtual double GetRate() { return 0.0; }
    /* 11 */ virtual bool SetRate(double /*rate*/) { return true; }
    /* 12 */ virtual void SetOwner(WindowHandle /*parent*/) { }
    /* 13 */ virtual void Show(bool /*show*/) { }
    /* 14 */ virtual void SetVideoRect(const CRect& /*rect*/) { }
    /* 15 */ virtual void SetFullScreenMode(bool /*fullScreen*/) { }
    /* 16 */ virtual bool IsVideoVisible() { return true; }
    /* 17 */ virtual int32_t GetPlayState() { return STATE_STOPPED; }
    /* 18 */ virtual int32_t GetGraphState() { return GRAPH_NONE; }
    /* 19 */ virtual int32_t GetVideoWidth() { return 1; }
    /* 20 */ virtual int32_t GetVideoHeight() { return 1; }
    /* 21 */ virtual CRect GetVideoRect() { return {}; }
    /* 22 */ virtual std::string GetTitle() { return {}; }
    /* 23 */ virtual std::string GetFileName() { return {}; }
    /* 24 */ virtual std::string GetShortName() { return {}; }
    /* 25 */ virtual int32_t GetEvent(int32_t& code, int32_t& param1, int32_t& param2);
    /* 26 */ virtual void SetMessageDrain(WindowHandle /*drain*/) { }
    /* 27 */ virtual void HandleEvents() { }
    /* 28 */ virtual bool SetMute(bool /*mute*/) { return true; }
    /* 29 */ virtual void SetVolume(int32_t /*volume*/) { }
    /* 30 */ virtual int32_t GetVolume() { return 0; }
    /* 31 */ virtual void SetBalance(int32_t /*balance*/) { }
    /* 32 */ virtual int32_t GetBalance() { return 0; }
    /* 33 */ virtual bool OpenMedia(const std::string& /*path*/) { return true; }
    /* 34 */ virtual void GrabFrame(QImage& bitmap) { bitmap = QImage(); }
    /* 35 */ virtual int32_t GetFrameWidth() { return 0; }
    /* 36 */ virtual int32_t GetFrameHeight() { return 0; }
    // Asynchronous: OpenMedia may return in GRAPH_OPENING, and the result then
    // arrives as EC_OPEN_COMPLETE through GetEvent.
    /* 37 */ virtual void SetAsyncOpen(bool /*async*/) { }
    // Repeat the medium without a gap from the next Run on; a player that
    // cannot ends with EC_COMPLETE as before and is restarted by its owner.
    /* 38 */ virtual void SetSeamlessLoop(bool /*loop*/) { }
    // Runs so that position startMs (-1: the current one) falls on group time
    // `at` (ns) of a wall's clock; when `at` has passed, joins at the frame due
    // now. Without a group clock it runs at once and returns false.
    /* 39 */ virtual bool RunAt(uint64_t /*at*/, int64_t /*startMs*/)
    {
        Run();
        return false;
    }

    bool IsType(int32_t kind) const { return m_PlayerType == kind; }

protected:
    bool m_bShown = false;
    int32_t m_PlayerType = PLAYER_TYPE_BASE;
};
