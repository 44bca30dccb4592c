#pragma once

#include <functional>

class QLabel;
class QWidget;

// Puts a top-level window in the middle of its screen's work area.
void centreOnScreen(QWidget* window);

// Makes a label act as a button: a left click released over it runs `handler`.
void onLabelClick(QLabel* label, std::function<void()> handler);
