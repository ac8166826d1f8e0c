// Floor 1 of the editor: the value tip, a small window beside a level fader's
// knob that says the exact level of the knob's position while a drag or a
// wheel notch sets it. It never takes the focus or the activation, so typed
// entry, the about view and the window move go on as without it. Calls no
// other editor file (it only wears the readouts' colours from skin.h).
#pragma once

#include <cstdint>

#include "editor_state.h"

namespace kelvane {

constexpr int kTipTextBytes = 64;

// The tip's window class, registered and unregistered with the editor's others.
void RegisterTipClass();
void UnregisterTipClass(HINSTANCE module);

// The tip's text for a level fader's knob position: the position and the
// level the track renders there in the host's sample format (kSampleFormat32
// or 16-bit), by the row's tip format; "silent" where every sample is 0, and
// "off" at the bottom position. noiseType is the live noise type.
void ValueTipText(Control fader, int position, int32_t noiseType, int32_t sampleFormat,
                  char (&text)[kTipTextBytes]);

// [UI thread] Shows the tip for a level fader's knob position above the knob
// in an editor window (below it at the top of the screen, shifted sideways
// at its sides, always whole on the knob's monitor), or moves it there with
// its new text. With
// hideAfterMs 0 it stays until HideValueTip; otherwise it goes by itself
// after that time. Other controls show no tip: any tip goes.
void ShowValueTip(HWND editor, int assignment, Control fader, int position, unsigned hideAfterMs);
// [UI thread] Destroys the tip, if it shows.
void HideValueTip();
// [UI thread] Destroys the tip if it belongs to this editor window.
void HideValueTipOf(HWND editor);

}  // namespace kelvane
