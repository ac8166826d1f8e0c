// The top of the editor: start-up and release for the library, and the window
// procedure, which finds the editor and the point of each message and hands
// them to the message's handler.
#include "editor.h"

#include <windowsx.h>

#include "assignments.h"
#include "entry.h"
#include "gesture.h"
#include "mouse.h"
#include "skin.h"
#include "tip.h"
#include "window.h"

namespace kelvane {

namespace {

void OnPaint(EditorRef editor) {
    PAINTSTRUCT paint;
    BeginPaint(editor.window, &paint);
    PaintEditor(editor.assignment);
    EndPaint(editor.window, &paint);
}

// The wheel's point is on the screen; the system sends the wheel to the
// window with the keyboard focus.
void OnWheel(EditorRef editor, WPARAM wParam, int screenX, int screenY) {
    POINT p = {screenX, screenY};
    ScreenToClient(editor.window, &p);
    OnMouseWheel(editor, p.x, p.y, GET_WHEEL_DELTA_WPARAM(wParam), GET_KEYSTATE_WPARAM(wParam));
}

// Moved, minimised or hidden under a gesture by anyone else (the host, the
// system): the release will land elsewhere, so the gesture ends here as if
// it had come. The editor's own window move starts with no gesture held. A
// wheel notch's tip would stay behind where the knob was.
void OnWindowPosChanged(EditorRef editor, const WINDOWPOS& change) {
    // A minimised window is moved off the screen, so a move covers it.
    if ((change.flags & SWP_NOMOVE) == 0 || (change.flags & SWP_HIDEWINDOW) != 0) {
        EndGesturesAsReleased(editor.window);
        HideValueTipOf(editor.window);
    }
}

// [UI thread] Dispatches the editor's messages; each has its own handler.
// Windows of the class that are not (or no longer) an open editor get the
// default handling.
LRESULT CALLBACK EditorWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const EditorRef editor = {window, AssignmentOf(window)};
    if (!IsAssignmentIndex(editor.assignment) || g_editor.editors[editor.assignment].window != window) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
    switch (message) {
    case WM_PAINT: OnPaint(editor); return 0;
    case WM_CLOSE: PlatformCloseEditor(editor.assignment); return 0;
    case WM_CHAR:   // only an open entry field takes these two
        if (g_editor.entry.control != nullptr) OnEntryChar(editor, wParam);
        return 0;
    case WM_COMMAND:
        if (g_editor.entry.control != nullptr) OnEntryCommand(editor, wParam, lParam);
        return 0;
    case WM_MOUSEMOVE: OnMouseMove(editor, x, y, wParam); return 0;
    case WM_LBUTTONDOWN: OnLeftButtonDown(editor, x, y); return 0;
    case WM_LBUTTONUP: OnLeftButtonUp(editor, x, y); return 0;
    case WM_RBUTTONDOWN: OnRightButtonDown(editor, x, y); return 0;
    case WM_MOUSEWHEEL: OnWheel(editor, wParam, x, y); return 0;
    case WM_WINDOWPOSCHANGED: OnWindowPosChanged(editor, *reinterpret_cast<const WINDOWPOS*>(lParam)); break;
    case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(lParam) != window) EndGesturesAsReleased(window);
        return 0;
    case WM_CANCELMODE: EndGesturesAsReleased(nullptr); break;
    case WM_ACTIVATEAPP:   // another program taken to the front: the release will be its
        if (wParam == FALSE) EndGesturesAsReleased(nullptr);
        break;
    default: break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

void EditorStartUp(HINSTANCE module) {
    StartWindows(module, EditorWindowProc);
    CreateStartUpObjects();
}

void EditorReleaseResources() {
    for (int a = 0; a < kAssignmentCount; ++a) PlatformCloseEditor(a);
    DeleteStartUpObjects();
    UnregisterClasses(g_editor.module);
}

void EditorUnload(HINSTANCE module) { UnregisterClasses(module); }

}  // namespace kelvane
