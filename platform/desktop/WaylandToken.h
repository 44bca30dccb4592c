#pragma once

#include <QString>

// Wayland: an activation token that the program asks the compositor for itself, for a request to
// come forward that arrives without one (the desktop's media controls call MPRIS Raise with no
// token). A compositor that guards against focus stealing may still refuse to act on it. Empty
// off Wayland, or when the compositor has no xdg-activation.
QString ownActivationToken();
