#pragma once

#include <cstdint>

// The private messages between the components and the main frame. The numbers
// are an interface: the control bar, video view, playlist and remote socket send
// them, and tests record them. Every send is synchronous: the handler has
// finished when SendMessage returns.
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

constexpr unsigned WM_CMD_PLAY = 1025;
constexpr unsigned WM_CMD_PAUSE = 1026;
constexpr unsigned WM_CMD_STOP = 1027;
constexpr unsigned WM_CMD_MUTE = 1028;
constexpr unsigned WM_PLAYER_MEDIA_OPENED = 1029;
constexpr unsigned WM_CMD_SLIDER = 1030;
constexpr unsigned WM_PLAYER_REFRESH = 1031;
constexpr unsigned WM_PLAYER_STATE = 1032;
constexpr unsigned WM_CMD_SELECT_PLAYER = 1033;
constexpr unsigned WM_CMD_STEP_TRACK = 1034;
constexpr unsigned WM_CMD_LOAD_TRACK = 1035;
constexpr unsigned WM_PLAYER_END_OF_MEDIA = 1036;
// A player's graph reported an error during playback; wParam is the player.
constexpr unsigned WM_PLAYER_FAILED = 1037;
constexpr unsigned WM_NET_PLAY = 1124;
constexpr unsigned WM_NET_STOP = 1125;
constexpr unsigned WM_NET_PAUSE = 1126;
constexpr unsigned WM_NET_OPEN = 1127;
constexpr unsigned WM_NET_SEEK = 1128;
constexpr unsigned WM_NET_UNUSED_12 = 1129; // command 12: sent, but nobody handles it
constexpr unsigned WM_NET_VOLUME = 1130;
constexpr unsigned WM_NET_SELECT_PLAYER = 1131;
// OSC commands with no binary-protocol message of their own.
// wParam player, lParam a const std::string* (path, stream address or ":n") valid during the call.
constexpr unsigned WM_OSC_OPEN = 1140;
// wParam player, lParam the volume in hundredths of a dB.
constexpr unsigned WM_OSC_VOLUME_DB = 1141;
// Cut to the hidden player and start it.
constexpr unsigned WM_OSC_TAKE = 1142;
// wParam the playlist row (0-based); loaded and started as by a double click.
constexpr unsigned WM_OSC_PLAYLIST_GO = 1143;
// wParam OSC_MODE_*, lParam 1 on, 0 off.
constexpr unsigned WM_OSC_PLAYLIST_MODE = 1144;
// lParam 1 on, 0 off.
constexpr unsigned WM_OSC_FULLSCREEN = 1145;
// A wall's cue packet: lParam its slot in the server socket's ring.
constexpr unsigned WM_SYNC_CUE = 1146;
constexpr WPARAM OSC_MODE_LOOP = 0;
constexpr WPARAM OSC_MODE_REPEAT = 1;
constexpr WPARAM OSC_MODE_AUTO_ADVANCE = 2;

// A player posts this to its owner (on the owner's thread) when graph events are
// pending; the message carries no data, the owner drains with GetEvent.
constexpr unsigned WM_GRAPHNOTIFY = 0xC0DE;

// Slider ids carried in WPARAM of WM_CMD_SLIDER.
constexpr WPARAM SLIDER_VOLUME_ID = 256;
constexpr WPARAM SLIDER_POSITION_ID = 512;

class CMessageTarget
{
public:
    virtual ~CMessageTarget() = default;
    virtual LRESULT SendMessage(unsigned msg, WPARAM wParam, LPARAM lParam) = 0;
};
