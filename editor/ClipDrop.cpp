#include "editor/ClipDrop.h"

#include "common/ClipTypes.h"
#include "common/Paths.h"
#include "playlist/Playlists.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

ClipDrop::ClipDrop(const QMimeData& data)
{
    if (!data.hasUrls()) {
        if (data.hasText() && !data.text().trimmed().isEmpty())
            others.append(Paths::forMessage(data.text().trimmed().section(u'\n', 0, 0)));
        return;
    }
    for (const QUrl& url : data.urls()) {
        if (!url.isLocalFile()) {
            others.append(Paths::forMessage(url.toDisplayString()));
            continue;
        }
        const QFileInfo info(url.toLocalFile());
        if (info.isDir())
            folders.append(info.absoluteFilePath());
        else if (info.isFile() && !Playlists::isPlaylist(info.absoluteFilePath()) &&
                 ClipTypes::isClip(info.absoluteFilePath()))
            clips.append(info.absoluteFilePath());
        else
            others.append(
                Paths::forMessage(info.fileName().isEmpty() ? info.absoluteFilePath() : info.fileName()));
    }
}

QString ClipDrop::refusal() const
{
    if (others.isEmpty())
        return QCoreApplication::translate("TMangle", "Only clips can be dropped on the list.");
    //: Followed by the names of the files that are not clips, one a line.
    QString text =
        clips.isEmpty()
            ? QCoreApplication::translate("TMangle", "Only clips can be dropped on the list. Not a clip:")
            //: Followed by the names of the files that are not clips, one a line.
            : QCoreApplication::translate("TMangle", "Nothing was added: the drop holds more than clips. "
                                                     "Not a clip:");
    constexpr int Shown = 10;
    for (int i = 0; i < others.size() && i < Shown; ++i)
        text += u'\n' + others.at(i);
    if (others.size() > Shown)
        text += QCoreApplication::translate("TMangle", "\n(and %1 more)").arg(others.size() - Shown);
    return text;
}
