#pragma once

#include <functional>

class Prompts;
class QWidget;

// Runs a handler body; a failing file or system operation inside it abandons the action and is
// shown in the stop box. Returns false when the body failed. No exception crosses the event loop.
bool guarded(Prompts& prompts, QWidget* parent, const std::function<void()>& body);
