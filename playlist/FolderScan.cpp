#include "playlist/FolderScan.h"

#include "common/CaseFold.h"
#include "common/ClipTypes.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocale>

#include <algorithm>
#include <cstring>
#include <set>
#include <utility>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FolderScan {

namespace {

struct FolderId
{
    dev_t dev;
    ino_t ino;
    bool operator<(const FolderId& o) const { return dev != o.dev ? dev < o.dev : ino < o.ino; }
};

// Closes a directory stream however the loop leaves it.
struct Dir
{
    DIR* d = nullptr;
    ~Dir()
    {
        if (d)
            ::closedir(d);
    }
};

class Walker
{
public:
    Walker(const std::atomic<bool>* cancel, std::atomic<qint64>* looked) : m_cancel(cancel), m_looked(looked)
    {
    }

    bool cancelled() const { return m_cancel && m_cancel->load(std::memory_order_relaxed); }

    void walk(const QByteArray& top)
    {
        std::vector<QByteArray> pending{top};
        while (!pending.empty() && !cancelled()) {
            const QByteArray folder = std::move(pending.back());
            pending.pop_back();
            read(folder, pending);
        }
    }

    std::vector<QString>& clips() { return m_clips; }

private:
    void read(const QByteArray& folder, std::vector<QByteArray>& pending)
    {
        Dir dir;
        const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return;
        struct stat st;
        if (::fstat(fd, &st) != 0 || !m_seen.insert({st.st_dev, st.st_ino}).second) {
            ::close(fd); // read already, through another link
            return;
        }
        dir.d = ::fdopendir(fd);
        if (!dir.d) {
            ::close(fd);
            return;
        }
        const QByteArray prefix = folder.endsWith('/') ? folder : folder + '/';
        const QString prefixText = QFile::decodeName(prefix);
        // A name that is not text here cannot be named again in a playlist or a message.
        if (!isText(prefix, prefixText))
            return;
        qint64 looked = 0;
        while (const dirent* e = ::readdir(dir.d)) {
            if (e->d_name[0] == '.')
                continue; // hidden, and the folder itself and its parent
            ++looked;
            unsigned char type = e->d_type;
            if (type == DT_LNK || type == DT_UNKNOWN) {
                struct stat target;
                if (::stat(QByteArray(prefix + e->d_name).constData(), &target) != 0)
                    continue; // a dangling link
                type = S_ISDIR(target.st_mode) ? DT_DIR : S_ISREG(target.st_mode) ? DT_REG : DT_UNKNOWN;
            }
            if (type == DT_DIR)
                pending.push_back(prefix + e->d_name);
            else if (type == DT_REG)
                consider(prefixText, e->d_name);
        }
        if (m_looked)
            m_looked->fetch_add(looked, std::memory_order_relaxed);
    }

    // Most names are plain ASCII with a telling extension: decided without building their path.
    void consider(const QString& prefixText, const char* name)
    {
        const QByteArray bytes = QByteArray::fromRawData(name, qsizetype(std::strlen(name)));
        const QString nameText = QFile::decodeName(bytes);
        if (!isText(bytes, nameText))
            return;
        switch (ClipTypes::byName(nameText)) {
        case ClipTypes::Verdict::Yes:
            m_clips.push_back(prefixText + nameText);
            break;
        case ClipTypes::Verdict::No:
            break;
        case ClipTypes::Verdict::Unknown:
            if (ClipTypes::isClip(prefixText + nameText))
                m_clips.push_back(prefixText + nameText);
            break;
        }
    }

    static bool isText(const QByteArray& bytes, const QString& text)
    {
        const bool ascii = std::all_of(bytes.cbegin(), bytes.cend(), [](char c) { return uchar(c) < 0x80; });
        return ascii || QFile::encodeName(text) == bytes;
    }

    const std::atomic<bool>* m_cancel;
    std::atomic<qint64>* m_looked;
    std::set<FolderId> m_seen;
    std::vector<QString> m_clips;
};

} // namespace

QStringList clipsIn(const QString& folder, const std::atomic<bool>* cancel, std::atomic<qint64>* looked)
{
    Walker walker(cancel, looked);
    walker.walk(QFile::encodeName(QDir(folder).absolutePath()));
    if (walker.cancelled())
        return {};
    // Sorted on folded keys made once: 100,000 paths compare many times over.
    std::vector<std::pair<QString, QString>> keyed;
    keyed.reserve(walker.clips().size());
    for (QString& clip : walker.clips())
        keyed.emplace_back(CaseFold::key(clip), std::move(clip));
    std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first < b.first : a.second < b.second;
    });
    QStringList out;
    out.reserve(qsizetype(keyed.size()));
    for (auto& k : keyed)
        out.append(std::move(k.second));
    return out;
}

QString progressText(const QString& name, qint64 looked)
{
    return QCoreApplication::translate(
               "FolderScan", "Looking for clips in %1 and the folders inside it...\n%2 files looked at")
        .arg(name, QLocale().toString(looked));
}

QString noClipsText(const QString& name)
{
    return QCoreApplication::translate("FolderScan", "There are no clips in %1 or in the folders inside it.")
        .arg(name);
}

} // namespace FolderScan
