#pragma once

#include <QStringList>

// The two playlists the kill -9 test's save loop writes in turn.
inline QStringList loopEntries(bool odd)
{
    QStringList out;
    for (int i = 0; i < 2000; ++i)
        out << QStringLiteral("/media/clips/%1 %2.mp3")
                   .arg(QLatin1String(odd ? "odd" : "even"))
                   .arg(i, 4, 10, QLatin1Char('0'));
    return out;
}
