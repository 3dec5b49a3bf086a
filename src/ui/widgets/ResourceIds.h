#pragma once

// Numbers of the bitmap and menu resources. The numbers are an interface between
// the widgets and their hosts; the pictures are drawn by res/generator.

// Transport buttons of the control bar.
constexpr int IDB_PLAY = 134;
constexpr int IDB_STOP = 135;
constexpr int IDB_PAUSE = 136;
constexpr int IDB_STOP_PRESSED = 137;
constexpr int IDB_PAUSE_PRESSED = 138;
constexpr int IDB_PLAY_HOVER = 139;
constexpr int IDB_PLAY_PRESSED = 140;
constexpr int IDB_STOP_HOVER = 141;
constexpr int IDB_PAUSE_HOVER = 142;

// Mute button: resting pictures, and the pressed picture for the state being entered.
constexpr int IDB_MUTE_PRESSED = 144; // switching to muted
constexpr int IDB_SOUND_ON = 145;
constexpr int IDB_MUTED = 146;
constexpr int IDB_UNMUTE_PRESSED = 149; // switching to sound on

// Sliders.
constexpr int IDB_THUMB = 147;
constexpr int IDB_SLIDER_LEFT = 150;
constexpr int IDB_SLIDER_RIGHT = 151;

// Player A/B switch.
constexpr int IDB_PLAYER_B_PRESSED = 152;
constexpr int IDB_PLAYER_A_HOVER = 153;
constexpr int IDB_PLAYER_A_PRESSED = 154;
constexpr int IDB_PLAYER_B_UNLIT = 155;
constexpr int IDB_PLAYER_B_HOVER = 156;
constexpr int IDB_PLAYER_A_UNLIT = 157;
constexpr int IDB_PLAYER_A_LIT = 158;
constexpr int IDB_PLAYER_B_LIT = 159;

// Previous / next track.
constexpr int IDB_PREV = 160;
constexpr int IDB_NEXT = 161;
constexpr int IDB_PREV_PRESSED = 162;
constexpr int IDB_NEXT_PRESSED = 163;
constexpr int IDB_PREV_HOVER = 164;
constexpr int IDB_NEXT_HOVER = 165;

// Playlist pane buttons.
constexpr int IDB_PL_SEL_PRESSED = 171;
constexpr int IDB_PL_ADD_HOVER = 172;
constexpr int IDB_PL_ADD_PRESSED = 173;
constexpr int IDB_PL_REM = 174;
constexpr int IDB_PL_REM_HOVER = 175;
constexpr int IDB_PL_REM_PRESSED = 176;
constexpr int IDB_PL_SEL = 177;
constexpr int IDB_PL_SEL_HOVER = 178;
constexpr int IDB_PL_ADD = 179;
constexpr int IDB_PL_SORT_PRESSED = 184;
constexpr int IDB_PL_SORT_HOVER = 185;
constexpr int IDB_PL_SORT = 186;
constexpr int IDB_PL_LIST_PRESSED = 188;
constexpr int IDB_PL_LIST_HOVER = 189;
constexpr int IDB_PL_LIST = 190;

// Playlist "Player" column: three 16 x 16 icons side by side (A, B, neither).
constexpr int IDB_PLAYER_ICONS = 183;

// Picture strip of the about box and the General page; splash picture; maker's logo.
constexpr int IDB_PICTURE_STRIP = 195;
constexpr int IDB_LOGO = 199;
constexpr int IDB_SPLASH = 361;

// Popup menus of the playlist pane buttons.
constexpr int IDR_PL_ADD_MENU = 180;
constexpr int IDR_PL_REM_MENU = 181;
constexpr int IDR_PL_SEL_MENU = 182;
constexpr int IDR_PL_SORT_MENU = 187;
constexpr int IDR_PL_LIST_MENU = 191;

// Every bitmap resource, for tools and tests that walk them all.
constexpr int kAllBitmapIds[] = { IDB_PLAY, IDB_STOP, IDB_PAUSE, IDB_STOP_PRESSED, IDB_PAUSE_PRESSED,
    IDB_PLAY_HOVER, IDB_PLAY_PRESSED, IDB_STOP_HOVER, IDB_PAUSE_HOVER, IDB_MUTE_PRESSED, IDB_SOUND_ON,
    IDB_MUTED, IDB_THUMB, IDB_UNMUTE_PRESSED, IDB_SLIDER_LEFT, IDB_SLIDER_RIGHT, IDB_PLAYER_B_PRESSED,
    IDB_PLAYER_A_HOVER, IDB_PLAYER_A_PRESSED, IDB_PLAYER_B_UNLIT, IDB_PLAYER_B_HOVER, IDB_PLAYER_A_UNLIT,
    IDB_PLAYER_A_LIT, IDB_PLAYER_B_LIT, IDB_PREV, IDB_NEXT, IDB_PREV_PRESSED, IDB_NEXT_PRESSED,
    IDB_PREV_HOVER, IDB_NEXT_HOVER, IDB_PL_SEL_PRESSED, IDB_PL_ADD_HOVER, IDB_PL_ADD_PRESSED, IDB_PL_REM,
    IDB_PL_REM_HOVER, IDB_PL_REM_PRESSED, IDB_PL_SEL, IDB_PL_SEL_HOVER, IDB_PL_ADD, IDB_PLAYER_ICONS,
    IDB_PL_SORT_PRESSED, IDB_PL_SORT_HOVER, IDB_PL_SORT, IDB_PL_LIST_PRESSED, IDB_PL_LIST_HOVER, IDB_PL_LIST,
    IDB_PICTURE_STRIP, IDB_LOGO, IDB_SPLASH };
