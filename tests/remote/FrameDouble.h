#pragma once

#include "core/Messages.h"
#include "show/ShowCommand.h"

#include <cstdint>
#include <string>

class COscServer;
class CServerSocket;

// Stands in for the main frame on the far side of the socket: answers each
// remote command the way the frame does (status record refreshed and marked
// changed, a "Player X: " text line), with two pretend players and a playlist
// of three entries. Used by the namespace tests and the latency benchmark.
class FrameDouble : public CShowCommandSink
{
public:
    void Attach(CServerSocket* socket) { m_pSocket = socket; }
    // Text lines also go out as OSC feedback, as the frame's do.
    void AttachOsc(COscServer* osc) { m_pOsc = osc; }
    ShowReply Execute(const ShowCommand& command) override;

private:
    void Handle(unsigned msg, WPARAM wParam, LPARAM lParam, const std::string& text);
    void SetState(int player, int state);
    void SendStatusMsg(WPARAM player, const std::string& text);
    void UpdateStatusRecord();

    CServerSocket* m_pSocket = nullptr;
    COscServer* m_pOsc = nullptr;
    int m_Active = 0;
    int m_State[2] = { 0, 0 };
    std::string m_File[2];
    std::uint32_t m_Position[2] = { 0, 0 };
    int m_VolumePercent = 100;
};
