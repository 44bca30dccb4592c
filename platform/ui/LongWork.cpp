#include "platform/ui/LongWork.h"

#include "platform/ui/Prompts.h"

#include <QEventLoop>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>

#include <memory>

namespace {

// Long enough that a folder of a few hundred clips opens without a window flashing up.
constexpr int QuietMs = 300;

} // namespace

bool runLongWork(QWidget* parent, const std::function<QString(qint64 count)>& label,
                 const std::function<void(LongWorkState&)>& work)
{
    LongWorkState state;
    std::unique_ptr<QThread> thread(QThread::create([&] { work(state); }));
    QEventLoop loop;
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit);
    thread->start();

    // At first the window only keeps drawing: a click now would act on what the work replaces.
    QTimer quiet;
    quiet.setSingleShot(true);
    QObject::connect(&quiet, &QTimer::timeout, &loop, &QEventLoop::quit);
    quiet.start(QuietMs);
    loop.exec(QEventLoop::ExcludeUserInputEvents);

    if (!thread->isFinished()) {
        QProgressDialog progress(parent);
        progress.setWindowTitle(AppTitle);
        progress.setWindowModality(Qt::ApplicationModal);
        progress.setRange(0, 0); // how much is left is not known in advance
        progress.setMinimumDuration(0);
        progress.setAutoClose(false);
        progress.setAutoReset(false);
        auto update = [&] { progress.setLabelText(label(state.count.load())); };
        update();
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, &progress, update);
        tick.start(100);
        QObject::connect(&progress, &QProgressDialog::canceled, &progress, [&] { state.cancel = true; });
        progress.show();
        if (!thread->isFinished())
            loop.exec();
        tick.stop();
    }
    thread->wait();
    return !state.cancel.load();
}
