#pragma once

// Where the players' pictures are shown: the user interface implements it and
// attaches it to the show engine, which calls it when a picture must move
// (a cut, an open) or full screen is asked for. The output draws through the
// engine's picture calls (CShowEngine::AttachSurface and the rest), never on a
// player directly. Everything runs on the interface thread.
class CShowOutput
{
public:
    virtual ~CShowOutput() = default;

    // The active player's picture into the program surface; reveal shows it.
    virtual void PlaceActive(bool reveal) = 0;
    // A player's picture shown or hidden (the cut: one is shown, the other hidden).
    virtual void ShowPicture(int player, bool show) = 0;
    // A hidden player that opened: its picture waits on a surface nobody sees.
    virtual void Park(int player) = 0;
    // What lies around the pictures is drawn again (after an open or a failed one).
    virtual void Redraw() = 0;
    virtual bool IsFullscreen() const = 0;
    virtual void SetFullscreen(bool on) = 0;
};
