#pragma once

#include <functional>

class QLabel;

// What a label that acts on a click stands for, for the keyboard and for assistive tools.
enum class LabelKind
{
    Button,
    Link
};

// Makes a label act as a button (or a web link): a left click released over it, or Enter or Space
// while it has the focus, runs `handler`. The label joins the Tab chain, shows a dotted focus
// frame round its text, and is offered to assistive tools with the kind's role and a press action.
void onLabelClick(QLabel* label, std::function<void()> handler, LabelKind kind = LabelKind::Button);
