#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

class QThread;

// MIDI clips rendered in worker threads: the clip whose turn it is, and ahead of time the one to
// follow, so that it is ready when its turn comes. Of each kind only the latest request counts.
class MidiRenders : public QObject
{
    Q_OBJECT
public:
    // Called on this object's thread with the WAV file; empty when the clip cannot be rendered.
    using Done = std::function<void(const QString& wav)>;

    explicit MidiRenders(QObject* parent);
    // Renderings under way are cancelled and waited for.
    ~MidiRenders() override;

    void render(const QString& path, Done done) { start(m_now, path, std::move(done)); }
    // A rendering of the same clip under way goes on, answering done instead.
    void prepare(const QString& path, Done done);
    // Nothing asked so far is answered any more.
    void cancel();

private:
    struct Kind
    {
        std::shared_ptr<std::atomic_bool> cancel;
        quint64 request = 0;
        QString path; // of the latest request, while it renders
        Done done;
    };
    void start(Kind& kind, const QString& path, Done done);

    Kind m_now;
    Kind m_ahead;
    QList<QThread*> m_threads;
};
