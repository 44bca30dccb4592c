#pragma once

#include <functional>

class QLabel;
class QWidget;

// Puts a top-level window in the middle of its screen's work area.
void centreOnScreen(QWidget* window);

// For a window designed without a minimise box: a window manager that offers one all the same
// (openbox gives every titled window the same buttons, whatever its hints say) would hide a modal
// dialog with nothing on screen to bring it back, so the window comes straight back.
void keepFromMinimising(QWidget* window);

// Makes a label act as a button: a left click released over it runs `handler`.
void onLabelClick(QLabel* label, std::function<void()> handler);
