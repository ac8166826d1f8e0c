// Floor 1 of the editor: the bitmaps and the font, and the drawing
// of every control into an editor's device context. Calls only the state.
#pragma once

#include "editor_state.h"

namespace kelvane {

// The readouts' colours: light grey text in a dark well, lit at its lower
// and right edges (the artwork's value boxes). The value tip wears them too.
constexpr COLORREF kReadoutTextColour = RGB(0xC0, 0xC0, 0xC0);
constexpr COLORREF kReadoutWellColour = RGB(17, 18, 20);
constexpr COLORREF kReadoutEdgeColour = RGB(104, 106, 110);

// The bitmaps and the readout font, made afresh (a second start-up deletes
// the first one's) and deleted at message 1.
void CreateStartUpObjects();
void DeleteStartUpObjects();

// Stamps a bitmap at a control's top-left corner: the lit or pressed look.
void StampControl(int assignment, Control c, BitmapIndex look);
// Restores a control's rectangle from the background: the released look.
void RestoreControl(int assignment, Control c);
void DrawLamp(int assignment, Control lamp, int32_t slotValue);

// The knob of a fader at a position from the track's left edge; with erase
// the whole strip the knob can cover is restored first.
void DrawKnob(int assignment, Control track, int position, bool eraseFirst);
// The knob moved from one position to another: drawn anew, and the columns
// it uncovered restored.
void MoveKnob(int assignment, Control track, int from, int to);
// Marks for the next paint the strip of every fader that shows the slot.
void InvalidateKnobsOf(int assignment, int slot);

// One readout, erased and drawn as text centred in its box.
void DrawReadout(int assignment, Control box, float value);

// Every control that shows the slot, from the value, in table order.
void RedrawSlot(int assignment, int slot, int32_t value);

// The whole editor from the live parameters: background, track label, every
// control, and the about view over it while that is shown.
void PaintEditor(int assignment);
// The about view with the plug-in's version, over the whole editor.
void PaintAboutView(int assignment);
// The background over the whole editor (the about view taken away).
void RestoreEditor(int assignment);

}  // namespace kelvane
