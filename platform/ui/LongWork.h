#pragma once

#include <QString>

#include <atomic>
#include <functional>

class QWidget;

// What a long piece of work shares with the window that waits for it.
struct LongWorkState
{
    std::atomic<bool> cancel{false}; // set when the user cancels; the work stops soon
    std::atomic<qint64> count{0};    // what the work has done so far, shown to the user
};

// Runs `work` on a thread of its own while the window keeps drawing. Work that ends quickly shows
// nothing; longer work shows a progress window over `parent` with `label` of the count so far and
// a Cancel button. False when the user cancelled.
bool runLongWork(QWidget* parent, const std::function<QString(qint64 count)>& label,
                 const std::function<void(LongWorkState&)>& work);
