// Typed entry: the one EDIT field of the process, opened over a value box,
// committed with Enter or Tab, closed when it loses the keyboard input.
#include "entry.h"

#include <cstdio>
#include <cstdlib>

#include "edit.h"
#include "skin.h"

namespace kelvane {

namespace {

constexpr int kEntryTextBytes = 80;

// A typed number, read the same in every locale: the point is the decimal
// mark, and anything else, a comma included, ends the number. Text that is
// no number reads as 0.
double ReadTypedNumber(const char (&typed)[kEntryTextBytes]) {
    const char mark = LocaleDecimalMark();
    char text[kEntryTextBytes];
    for (int i = 0; i < kEntryTextBytes; ++i) {
        text[i] = typed[i] == '.' ? mark : typed[i] == mark ? '\0' : typed[i];
    }
    text[kEntryTextBytes - 1] = '\0';
    return strtod(text, nullptr);
}

// The field's first text, with the point whatever the locale, since the
// field is read back by the rule above.
void FormatEntryText(char (&text)[32], const char* format, double value) {
    snprintf(text, sizeof text, format, value);
    ShowPointAsDecimalMark(text);
}

// [UI thread] The field hands every character to the editor first; Enter or
// Tab closes the field, and then the character goes no further.
LRESULT CALLBACK EntryBoxProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam) {
    const WNDPROC saved = g_editor.entry.savedProc;
    switch (message) {
    case WM_GETDLGCODE: return DLGC_WANTALLKEYS;
    case WM_CHAR:
        SendMessageA(GetParent(field), WM_CHAR, wParam, lParam);
        if (!IsWindow(field)) return 0;
        break;
    default: break;
    }
    return CallWindowProcA(saved, field, message, wParam, lParam);
}

void OpenEntryBox(EditorRef editor) {
    auto& entry = g_editor.entry;
    const ControlInfo& r = kControls[entry.box];
    char text[32];
    FormatEntryText(text, r.entryFormat, FromHundredths(g_params.live[editor.assignment].slot[r.slot]));
    HWND field = CreateWindowExA(0, "EDIT", text, WS_CHILD | ES_CENTER, r.left, r.top, r.right - r.left,
                                 r.bottom - r.top, editor.window, nullptr, g_editor.module, nullptr);
    if (field == nullptr) {
        entry.minimum = entry.maximum = 0.0f;
        return;
    }
    entry.control = field;
    entry.savedProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(field, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EntryBoxProc)));
    ShowWindow(field, SW_SHOW);
    SetFocus(field);
    // A double click at the field's corner selects only the word there, which
    // for a value below 100 is its leading blanks ("  1.0"); the whole text is
    // then selected, so that typing replaces all of the shown value.
    SendMessageA(field, WM_LBUTTONDBLCLK, 0, 0);
    SendMessageA(field, EM_SETSEL, 0, -1);
}

}  // namespace

void CloseEntryField() {
    auto& entry = g_editor.entry;
    HWND field = entry.control;
    // Cleared first: destroying the focused field notifies its parent again.
    entry.control = nullptr;
    entry.minimum = 0.0f;
    entry.maximum = 0.0f;
    if (field != nullptr) DestroyWindow(field);
}

void PressValueBox(EditorRef editor, Control box) {
    auto& entry = g_editor.entry;
    if (entry.control != nullptr) return;
    entry.box = box;
    entry.minimum = kControls[box].entryMin;
    entry.maximum = kControls[box].entryMax;
    OpenEntryBox(editor);
}

// The typed value, held in the box's range and stored in hundredths,
// truncated. A commit moves the knob of any fader showing the same slot.
void OnEntryChar(EditorRef editor, WPARAM character) {
    auto& entry = g_editor.entry;
    if (character != '\r' && character != '\t') return;
    // Only the field's own editor commits it: Enter in another editor is not
    // for this field, nor its value for that editor.
    if (GetParent(entry.control) != editor.window) return;
    char text[kEntryTextBytes] = {};
    GetWindowTextA(entry.control, text, sizeof text);
    double value = ReadTypedNumber(text);
    if (!(value >= entry.minimum)) {   // a NaN too
        value = entry.minimum;
    } else if (value > entry.maximum) {
        value = entry.maximum;
    }
    const Control box = entry.box;
    CommitEdit(editor.assignment, box, ToHundredths(value), Gesture::kEnds);
    InvalidateKnobsOf(editor.assignment, kControls[box].slot);
    CloseEntryField();
}

void OnEntryCommand(EditorRef, WPARAM wParam, LPARAM lParam) {
    if (reinterpret_cast<HWND>(lParam) != g_editor.entry.control) return;
    if (HIWORD(wParam) == EN_KILLFOCUS) CloseEntryField();
}

}  // namespace kelvane
