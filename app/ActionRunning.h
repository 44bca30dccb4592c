#pragma once

// Counts an entry action while it runs, so that files handed over meanwhile wait for its end.
struct ActionRunning
{
    explicit ActionRunning(int& n) : count(n) { ++count; }
    ~ActionRunning() { --count; }
    ActionRunning(const ActionRunning&) = delete;
    ActionRunning& operator=(const ActionRunning&) = delete;
    int& count;
};
