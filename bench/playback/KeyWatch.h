#pragma once

#include <string>
#include <vector>

// Presses keys on the X server as a keyboard would (events sent to the player's window), and times
// each key's effect as it shows on the screen (read back from the server): a thread of its own with
// a connection of its own, so that a GUI thread held up is timed, not waited on.
class KeyWatch
{
public:
    // Where the effects show, in screen pixels. The clip carries two patches at its top left (see
    // bm_keys): a clock whose brightness rises with the clip's time, and a flicker that changes
    // with every frame.
    struct Places
    {
        unsigned window = 0; // the player's top-level window
        int clockX = 0, clockY = 0;
        int flickerX = 0, flickerY = 0;
        int outsideX = 0, outsideY = 0,
            outsideHeight = 0; // a strip beside the window, in full screen's reach
    };
    // The places for bm_keys's 1920-pixel-wide picture shown `pictureWidth` wide with its top left
    // at (x, y) in `window`, on a screen of the given size.
    static Places placesFor(unsigned window, int x, int y, int pictureWidth, int screenWidth,
                            int screenHeight);
    explicit KeyWatch(const Places& places);
    ~KeyWatch();
    bool connected() const { return m_conn != nullptr; }

    // Each returns one time per press, key to effect in ms (-1: not seen within a few seconds).
    // F ten times, entering and leaving full screen in turn.
    std::vector<double> fullScreen(int presses);
    // Space ten times, pausing and playing in turn.
    std::vector<double> pause(int presses);
    // Right and Left in turn: seeking 5 s on and back.
    std::vector<double> seek(int presses);

private:
    unsigned keycode(unsigned keysym);
    void press(unsigned keysym);
    // The mean brightness of a few pixels around (x, y); -1 when it cannot be read.
    double brightness(int x, int y, int size = 3);
    bool outsideBlank();
    void between();

    struct xcb_connection_t* m_conn = nullptr;
    unsigned m_root = 0;
    Places m_places;
};
