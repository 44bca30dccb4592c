#pragma once

#include <QMetaType>
#include <QString>

// What the desktop gave a start of the program so that a window of it may come to the front: the
// Wayland activation token (XDG_ACTIVATION_TOKEN) and the X11 startup notification id
// (DESKTOP_STARTUP_ID). A second copy passes its own on to the running one, which alone has a
// window to bring forward; without them a compositor keeps a background program where it is.
struct LaunchToken
{
    QString activation;
    QString startupId;

    bool isEmpty() const { return activation.isEmpty() && startupId.isEmpty(); }
    // As this process was started with; read before the toolkit takes the X11 id out.
    static LaunchToken fromEnvironment();
};

Q_DECLARE_METATYPE(LaunchToken)
