#pragma once

#include "playlist/PaneCommands.h"

// Menu and accelerator command ids of the main window. The numbers are kept
// stable: they travel as QAction data and tests address commands by them.
namespace CommandId {

constexpr int OpenMedia = 32774;
constexpr int OpenPlaylist = 32838;
constexpr int SavePlaylist = 32839;
constexpr int RecentFileFirst = 57616;
constexpr int RecentFileLast = 57631;
constexpr int GeneralPreferences = 32843;
constexpr int ResetPreferences = 32844;
constexpr int Quit = 57665;

constexpr int PlayPause = 32772;
constexpr int Stop = 32773;

// The "Playlist" menu items, carried out by the playlist pane.
constexpr int PaneOpenPlaylist = PaneCmd::FRAME_OPEN_PLAYLIST;
constexpr int PaneSavePlaylist = PaneCmd::FRAME_SAVE_PLAYLIST;
constexpr int RepeatSingleTrack = PaneCmd::FRAME_REPEAT_SINGLE;
constexpr int LoopPlaylist = PaneCmd::FRAME_LOOP_PLAYLIST;
constexpr int AutoPlayNext = PaneCmd::FRAME_AUTO_PLAY_NEXT;

constexpr int PlayerA = 32782;
constexpr int PlayerB = 32781;
constexpr int Fullscreen = 32787;
constexpr int AlwaysOnTop = 32786;
constexpr int ZoomFit = 32852;
constexpr int Zoom50 = 32849;
constexpr int Zoom100 = 32850;
constexpr int Zoom200 = 32851;
constexpr int ViewLogbook = 32846;
constexpr int About = 57664;

// The clipboard commands of the edit accelerators.
constexpr int EditCopy = 57634;
constexpr int EditCut = 57635;
constexpr int EditPaste = 57637;

} // namespace CommandId
