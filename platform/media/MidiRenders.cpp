#include "platform/media/MidiRenders.h"

#include "platform/media/MidiRender.h"

#include <QThread>

MidiRenders::MidiRenders(QObject* parent) : QObject(parent) {}

MidiRenders::~MidiRenders()
{
    cancel();
    for (QThread* thread : std::as_const(m_threads)) {
        thread->wait();
        delete thread;
    }
}

void MidiRenders::cancel()
{
    for (Kind* kind : {&m_now, &m_ahead}) {
        if (kind->cancel)
            kind->cancel->store(true);
        ++kind->request;
        kind->path.clear();
        kind->done = nullptr;
    }
}

void MidiRenders::prepare(const QString& path, Done done)
{
    if (!m_ahead.path.isEmpty() && m_ahead.path == path) {
        m_ahead.done = std::move(done);
        return;
    }
    start(m_ahead, path, std::move(done));
}

void MidiRenders::start(Kind& kind, const QString& path, Done done)
{
    if (kind.cancel)
        kind.cancel->store(true);
    kind.cancel = std::make_shared<std::atomic_bool>(false);
    const quint64 request = ++kind.request;
    kind.path = path;
    kind.done = std::move(done);
    struct Result
    {
        QString wav, error;
    };
    auto result = std::make_shared<Result>();
    auto cancel = kind.cancel;
    QThread* thread = QThread::create(
        [path, cancel, result] { result->wav = MidiRender::render(path, cancel.get(), &result->error); });
    m_threads.append(thread);
    connect(thread, &QThread::finished, this, [this, thread, &kind, request, result] {
        m_threads.removeOne(thread);
        thread->deleteLater();
        if (request != kind.request)
            return;
        kind.path.clear();
        const Done done = std::move(kind.done);
        done(result->wav);
    });
    thread->start();
}
