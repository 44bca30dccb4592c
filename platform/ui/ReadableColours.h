#pragma once

#include <QColor>

class QWidget;

// Contrast ratio of two colours as screen readers' guidelines define it: 1 (same) to 21 (black on white).
double contrastRatio(const QColor& a, const QColor& b);

// `designed` when it reads at 4.5:1 or better on `background`; otherwise the same hue made lighter
// (on a dark background) or darker (on a light one) until it does.
QColor readableOn(const QColor& designed, const QColor& background);

// Keeps a text colour that the window's style sheets fix readable on the palette's background:
// when the designed colour is too faint there (a dark palette, say), the widget's text takes the
// nearest readable shade of it. `background` is the palette role the text sits on.
void keepTextReadable(QWidget* widget, int backgroundRole);
