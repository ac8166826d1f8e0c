// Floor 0 of the editor: the state, one struct for all editors of the
// process, and the editor a message is for. editor_state.cpp holds the one
// instance; every editor file may read it, and each part is written by the
// file named beside it.
#pragma once

#include <windows.h>

#include "controls.h"
#include "editor_seam.h"

namespace kelvane {

struct EditorWindow {
    HWND window;
    HDC dc;
    EditorPlacement remembered;   // width 0: never placed
};

// [UI thread] All editors' state, process-wide.
struct EditorState {
    // start-up: the module and the screen (window.cpp), bitmaps and font (skin.cpp)
    HINSTANCE module;
    int screenWidth, screenHeight;
    HBITMAP bitmaps[kBitmapCount];
    SIZE bitmapSizes[kBitmapCount];
    int mainWidth, mainHeight;
    HFONT readoutFont;            // also the about view's font

    // the windows (window.cpp)
    EditorWindow editors[kAssignmentCount];

    // the mouse gesture in progress, one for all editors, and the window that
    // started it: its moves, release and reset act there, whichever editor
    // receives them (gesture.cpp)
    Control pressedControl;       // held button or logo, kNoControl when none
    HWND pressedWindow;
    struct {
        bool active;
        Control track;            // the dragged fader
        int position;             // knob position from the track's left edge
        HWND window;
        int lastX, lastY;
        bool confined;            // the cursor held on the track until the button-up
        bool reported;            // a step went to the host (processing ran)
    } drag;

    // a fine wheel's turn short of a whole notch, and the fader and editor
    // it was turned over (mouse.cpp)
    struct {
        HWND window;
        Control fader;
        int remainder;
    } wheel;

    // the value tip (tip.cpp): its window while it shows, the editor it belongs to
    struct {
        HWND window;
        HWND owner;
    } tip;

    // the about view (about.cpp); the paint draws it while it is shown
    bool aboutShown[kAssignmentCount];

    // the one typed-entry field of the process (entry.cpp)
    struct {
        HWND control;             // null while no field is open
        Control box;              // the value box it edits
        float minimum, maximum;   // in the shown unit; 0 while closed
        WNDPROC savedProc;
    } entry;
};
extern EditorState g_editor;

// The editor a message is for, as the window procedure found it: handlers
// are given it, and the point, rather than reading them from a global.
struct EditorRef {
    HWND window;
    int assignment;
};

// The assignment an editor window was opened for (its window word); any
// value for other windows, which IsAssignmentIndex and the table then refuse.
int AssignmentOf(HWND window);

}  // namespace kelvane
