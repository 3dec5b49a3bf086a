#pragma once

#include <array>

// Command numbers of the playlist pane: its button menus, the row menu and the
// main window's "Playlist" menu items that the pane carries out.
namespace PaneCmd {

constexpr int ADD_FILES = 32812;
constexpr int ADD_FOLDER = 32813;
constexpr int REMOVE_SELECTED = 32814;
constexpr int CROP_SELECTED = 32815;
constexpr int CLEAR_PLAYLIST = 32817;
constexpr int SELECT_ALL = 32819;
constexpr int SELECT_NONE = 32820;
constexpr int INVERT_SELECTION = 32822;
constexpr int SORT_BY_TITLE = 32830;
constexpr int SORT_BY_FILENAME = 32831;
constexpr int SORT_BY_PATH = 32832;
constexpr int OPEN_PLAYLIST = 32833;
constexpr int SAVE_PLAYLIST = 32834;
constexpr int LOOP_PLAYLIST = 32847;
constexpr int AUTO_PLAY_NEXT = 32853;
constexpr int REPEAT_SINGLE = 32859;

// The row menu (right click on the list).
constexpr int ROW_SELECT_NONE = 32794;
constexpr int ROW_REMOVE = 32796;
constexpr int ROW_CROP = 32797;
constexpr int ROW_SELECT_ALL = 32798;
constexpr int ROW_INVERT = 32800;

// The main window's "Playlist" menu.
constexpr int FRAME_OPEN_PLAYLIST = 32854;
constexpr int FRAME_SAVE_PLAYLIST = 32855;
constexpr int FRAME_LOOP_PLAYLIST = 32856;
constexpr int FRAME_AUTO_PLAY_NEXT = 32857;
constexpr int FRAME_REPEAT_SINGLE = 32858;

struct CRowMenuItem
{
    int command; // 0 = separator
    const char* text;
};

constexpr std::array<CRowMenuItem, 6> kRowMenu { {
    { ROW_SELECT_ALL, "Select All\tCtrl+A" },
    { ROW_SELECT_NONE, "Select None" },
    { ROW_INVERT, "Invert Selection\tCtrl+I" },
    { 0, nullptr },
    { ROW_REMOVE, "Remove Item(s)\tDelete" },
    { ROW_CROP, "Crop files\tCtrl+Delete" },
} };

struct CAccelerator
{
    int command;
    const char* keys; // QKeySequence portable text
};

// Keys of the main window that reach the pane.
constexpr std::array<CAccelerator, 7> kAccelerators { {
    { ADD_FILES, "L" },
    { ADD_FOLDER, "Shift+L" },
    { REMOVE_SELECTED, "Del" },
    { CROP_SELECTED, "Ctrl+Del" },
    { CLEAR_PLAYLIST, "Ctrl+Shift+Del" },
    { SELECT_ALL, "Ctrl+A" },
    { INVERT_SELECTION, "Ctrl+I" },
} };

} // namespace PaneCmd
