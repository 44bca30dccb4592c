#pragma once

#include <QString>

// A clip position as the face shows it: m:ss, or h:mm:ss from an hour on; nonsense reads as 0:00.
QString formatTime(double seconds);
