#pragma once

class QWidget;

// Puts a top-level window in the middle of its screen's work area.
void centreOnScreen(QWidget* window);
