#include "common/ClipTypes.h"

#include <QRegularExpression>

namespace ClipTypes {

QStringList dialogFilters()
{
    return {
        QStringLiteral("All file types (*.*)"),
        QStringLiteral("Audio (music) files (*.asf *.mp2 *.mp3 *.wav *.mid *.wma *.aif *.au *.wax)"),
        QStringLiteral(
            "Video (movie) files (*.mpg *.mpeg *.asf *.m1v *.wmv *.avi *.mov *.qt *.wvx *.fli *.flc *.mpe)"),
    };
}

QStringList suffixesOf(const QStringList& filters)
{
    static const QRegularExpression pattern(QStringLiteral("\\*\\.([A-Za-z0-9]+)"));
    QStringList out;
    for (const QString& filter : filters) {
        for (const QRegularExpressionMatch& m : pattern.globalMatch(filter)) {
            const QString suffix = m.captured(1).toLower();
            if (!out.contains(suffix))
                out.append(suffix);
        }
    }
    return out;
}

const QStringList& suffixes()
{
    static const QStringList all = suffixesOf(dialogFilters());
    return all;
}

} // namespace ClipTypes
