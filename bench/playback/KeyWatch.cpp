#include "KeyWatch.h"

#include <xcb/xcb.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <thread>

namespace {

constexpr unsigned KeyF = 0x66, KeySpace = 0x20, KeyRight = 0xff53, KeyLeft = 0xff51;
constexpr double GiveUpMs = 5000;

double nowMs()
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void nap()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

} // namespace

KeyWatch::Places KeyWatch::placesFor(unsigned window, int x, int y, int pictureWidth, int screenWidth,
                                     int screenHeight)
{
    Places places;
    places.window = window;
    const double scale = pictureWidth / 1920.0;
    places.clockX = x + int(120 * scale);
    places.clockY = y + int(120 * scale);
    places.flickerX = x + int(360 * scale);
    places.flickerY = places.clockY;
    places.outsideX = screenWidth - 4;
    places.outsideY = screenHeight / 2 - 100;
    places.outsideHeight = 200;
    return places;
}

KeyWatch::KeyWatch(const Places& places) : m_places(places)
{
    int screenNo = 0;
    xcb_connection_t* c = xcb_connect(nullptr, &screenNo);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return;
    }
    m_conn = c;
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNo; ++i)
        xcb_screen_next(&it);
    m_root = it.data->root;
}

KeyWatch::~KeyWatch()
{
    if (m_conn)
        xcb_disconnect(m_conn);
}

unsigned KeyWatch::keycode(unsigned keysym)
{
    const xcb_setup_t* setup = xcb_get_setup(m_conn);
    const int first = setup->min_keycode, count = setup->max_keycode - setup->min_keycode + 1;
    xcb_get_keyboard_mapping_reply_t* map = xcb_get_keyboard_mapping_reply(
        m_conn, xcb_get_keyboard_mapping(m_conn, xcb_keycode_t(first), uint8_t(count)), nullptr);
    if (!map)
        return 0;
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map);
    unsigned found = 0;
    for (int k = 0; k < count && !found; ++k)
        if (syms[k * map->keysyms_per_keycode] == keysym)
            found = unsigned(first + k);
    std::free(map);
    return found;
}

void KeyWatch::press(unsigned keysym)
{
    const unsigned code = keycode(keysym);
    for (uint8_t type : {uint8_t(XCB_KEY_PRESS), uint8_t(XCB_KEY_RELEASE)}) {
        xcb_key_press_event_t e;
        std::memset(&e, 0, sizeof e);
        e.response_type = type;
        e.detail = xcb_keycode_t(code);
        e.time = XCB_CURRENT_TIME;
        e.root = m_root;
        e.event = m_places.window;
        e.same_screen = 1;
        xcb_send_event(m_conn, 0, m_places.window, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&e));
    }
    xcb_flush(m_conn);
}

double KeyWatch::brightness(int x, int y, int size)
{
    xcb_get_image_reply_t* image =
        xcb_get_image_reply(m_conn,
                            xcb_get_image(m_conn, XCB_IMAGE_FORMAT_Z_PIXMAP, m_root, int16_t(x - size / 2),
                                          int16_t(y - size / 2), uint16_t(size), uint16_t(size), ~0u),
                            nullptr);
    if (!image)
        return -1;
    // 24-bit depth arrives as 32-bit little-endian pixels: B, G, R, unused.
    const uint8_t* px = xcb_get_image_data(image);
    const int n = xcb_get_image_data_length(image) / 4;
    double sum = 0;
    for (int i = 0; i < n; ++i, px += 4)
        sum += (px[0] + px[1] + px[2]) / 3.0;
    std::free(image);
    return n ? sum / n : -1;
}

bool KeyWatch::outsideBlank()
{
    xcb_get_image_reply_t* image = xcb_get_image_reply(
        m_conn,
        xcb_get_image(m_conn, XCB_IMAGE_FORMAT_Z_PIXMAP, m_root, int16_t(m_places.outsideX),
                      int16_t(m_places.outsideY), 1, uint16_t(m_places.outsideHeight), ~0u),
        nullptr);
    if (!image)
        return false;
    const uint8_t* px = xcb_get_image_data(image);
    const int n = xcb_get_image_data_length(image) / 4;
    bool blank = true;
    for (int i = 0; i < n && blank; ++i, px += 4)
        blank = px[0] < 8 && px[1] < 8 && px[2] < 8;
    std::free(image);
    return blank;
}

void KeyWatch::between()
{
    // Presses are not in step with the frames: each comes 0.8 to 1.2 s after the last effect.
    static std::mt19937 random(43);
    std::this_thread::sleep_for(std::chrono::milliseconds(800 + random() % 400));
}

std::vector<double> KeyWatch::fullScreen(int presses)
{
    // The strip lies outside the window: blank (the bare screen) until the full-screen picture
    // covers it, and blank again once the window is back.
    std::vector<double> times;
    for (int i = 0; i < presses; ++i) {
        between();
        const bool entering = i % 2 == 0;
        const double t0 = nowMs();
        press(KeyF);
        double seen = -1;
        while (seen < 0 && nowMs() - t0 < GiveUpMs) {
            if (outsideBlank() != entering)
                seen = nowMs() - t0;
            else
                nap();
        }
        times.push_back(seen);
    }
    return times;
}

std::vector<double> KeyWatch::pause(int presses)
{
    // Pausing shows as the flicker's last change; playing as its first.
    constexpr double StillMs = 600;
    std::vector<double> times;
    for (int i = 0; i < presses; ++i) {
        between();
        const bool pausing = i % 2 == 0;
        double last = brightness(m_places.flickerX, m_places.flickerY);
        const double t0 = nowMs();
        press(KeySpace);
        double changed = pausing ? 0 : -1, since = t0;
        while (nowMs() - t0 < GiveUpMs) {
            const double b = brightness(m_places.flickerX, m_places.flickerY);
            const double t = nowMs();
            if (std::abs(b - last) > 6) {
                last = b;
                since = t;
                changed = t - t0;
                if (!pausing)
                    break;
            } else if (pausing && t - since > StillMs) {
                break;
            }
            nap();
        }
        times.push_back(pausing && nowMs() - since <= StillMs ? -1 : changed);
    }
    return times;
}

std::vector<double> KeyWatch::seek(int presses)
{
    // The clock gains 6 steps a second: a jump of 5 s moves it by 30, playing for a second by 6.
    std::vector<double> times;
    for (int i = 0; i < presses; ++i) {
        between();
        const double before = brightness(m_places.clockX, m_places.clockY);
        const double t0 = nowMs();
        press(i % 2 == 0 ? KeyRight : KeyLeft);
        double seen = -1;
        while (seen < 0 && nowMs() - t0 < GiveUpMs) {
            if (std::abs(brightness(m_places.clockX, m_places.clockY) - before) > 15)
                seen = nowMs() - t0;
            else
                nap();
        }
        times.push_back(seen);
    }
    return times;
}
