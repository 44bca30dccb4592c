#pragma once

#include "common/LaunchToken.h"

#include <functional>

class QWidget;

// Puts a top-level window in the middle of its screen's work area.
void centreOnScreen(QWidget* window);

// Gives the main window back to the user after a window of ours closed: shown, raised, active,
// with the focus on `focus`.
void comeBack(QWidget* window, QWidget* focus);

// Brings a top-level window to the front and gives it the focus: restored if minimised, raised,
// activated. On Wayland only a launcher's activation token lets a program that is not in front do
// that; `token` is the one a start of the program was given, empty when there is none.
void bringForward(QWidget* window, const LaunchToken& token = {});

// Makes the top-level `dialog` belong to the window of `owner` (none when null) for the window
// system: kept above it and given the keys back with it. On Wayland a dialog without a parent
// window sinks behind the window it was opened from at the first click there. `owner` does not
// become the dialog's parent widget, whose life the dialog would then share.
void setOwnerWindow(QWidget* dialog, QWidget* owner);

// False where the compositor alone places windows (Wayland): a window's move() is not honoured.
bool clientPlacesWindows();

// For a window designed without a minimise box: a window manager that offers one all the same
// (openbox gives every titled window the same buttons, whatever its hints say) would hide a modal
// dialog with nothing on screen to bring it back, so the window comes straight back.
void keepFromMinimising(QWidget* window);

// Runs `work` once `window` has drawn itself for the first time (or after a quarter of a second,
// for a window that starts hidden or minimised): start-up work that the window's first showing
// need not wait for. Work posted for the loop's first turn would run before the window is even
// mapped, since the toolkit sends its requests to the display only when the loop falls idle.
void afterFirstPaint(QWidget* window, std::function<void()> work);
