#pragma once

#include "common/LaunchToken.h"

#include <QColor>

#include <functional>

class QLabel;
class QWidget;

// Puts a top-level window in the middle of its screen's work area.
void centreOnScreen(QWidget* window);

// What a label that acts on a click stands for, for the keyboard and for assistive tools.
enum class LabelKind { Button, Link };

// Makes a label act as a button (or a web link): a left click released over it, or Enter or Space
// while it has the focus, runs `handler`. The label joins the Tab chain, shows a dotted focus
// frame round its text, and is offered to assistive tools with the kind's role and a press action.
void onLabelClick(QLabel* label, std::function<void()> handler, LabelKind kind = LabelKind::Button);

// Contrast ratio of two colours as screen readers' guidelines define it: 1 (same) to 21 (black on white).
double contrastRatio(const QColor& a, const QColor& b);

// `designed` when it reads at 4.5:1 or better on `background`; otherwise the same hue made lighter
// (on a dark background) or darker (on a light one) until it does.
QColor readableOn(const QColor& designed, const QColor& background);

// Keeps a text colour that the window's style sheets fix readable on the palette's background:
// when the designed colour is too faint there (a dark palette, say), the widget's text takes the
// nearest readable shade of it. `background` is the palette role the text sits on.
void keepTextReadable(QWidget* widget, int backgroundRole);

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
