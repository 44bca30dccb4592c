#include "platform/media/EngineCheck.h"

#include "platform/media/MpvOptions.h"
#include "platform/module/ModuleLoader.h"

#include <QCoreApplication>
#include <QPointer>
#include <QProcess>
#include <QThread>
#include <QTimer>

#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#ifdef Q_OS_LINUX
#include <linux/close_range.h>
#include <sys/prctl.h>
#include <unistd.h>
#endif

namespace {

constexpr char ProbeArgument[] = "--vidmarro-engine-probe";
// The engine starts in well under a second; a child silent for this long is ended.
constexpr int ProbeTimeoutMs = 5000;

#ifdef __GLIBC__
// glibc hands constructors the program's arguments, so any program that can start the check (the
// player, a test) answers it before its own main runs: nothing of Qt's GUI is made.
__attribute__((constructor)) void answerEngineProbeEarly(int argc, char** argv, char**)
{
    answerEngineProbe(argc, argv);
}
#endif

QProcess* startProbe(QObject* parent, const QStringList& extraOptions)
{
    auto* process = new QProcess(parent);
    process->setProgram(QCoreApplication::applicationFilePath());
    process->setArguments(QStringList{QLatin1String(ProbeArgument)} + extraOptions);
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
#ifdef Q_OS_LINUX
    // Between fork and exec only system calls: the child goes with this process, and takes none of
    // its files (the single-instance lock and socket, the display) through the exec.
    process->setChildProcessModifier([] {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        ::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
    });
#endif
    return process;
}

// Tells done the answer on the GUI thread, unless the context's destruction has begun by then;
// guard is made on the GUI thread; any thread may post.
void post(const QPointer<QObject>& guard, const std::function<void(bool)>& done, bool ok)
{
    // Posted to the application, which outlives the context: the context may be going away on the
    // GUI thread meanwhile, and only that thread may look at it.
    if (!QCoreApplication::instance())
        return;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [guard, done, ok] {
            if (guard)
                done(ok);
        },
        Qt::QueuedConnection);
}

// Where no child answers: the test made here, on a thread of its own.
void checkInWorker(QObject* context, const std::function<void(bool)>& done, const QStringList& extraOptions)
{
    QPointer<QObject> guard(context);
    QThread* thread =
        QThread::create([guard, done, extraOptions] { post(guard, done, mpvEngineAvailable(extraOptions)); });
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
}

// The engine loaded, made and kept on a thread of its own, for a start that plays at once.
struct Preload
{
    std::mutex mutex;
    std::condition_variable made;
    std::thread thread;
    QStringList options;
    bool started = false;
    bool answered = false;
    std::unique_ptr<EngineSession> session; // until a control takes it
    std::vector<std::pair<QPointer<QObject>, std::function<void(bool)>>> waiting;

    // Joined at exit: a program that ends early must not unload libraries under a load still running.
    ~Preload()
    {
        if (thread.joinable())
            thread.join();
    }
};
Preload preload;

bool preloadAnswers(QObject* context, const std::function<void(bool)>& done)
{
    const std::lock_guard lock(preload.mutex);
    if (!preload.started)
        return false;
    const QPointer<QObject> guard(context);
    if (preload.answered)
        post(guard, done, preload.session != nullptr);
    else
        preload.waiting.emplace_back(guard, done);
    return true;
}

} // namespace

void mpvEnginePreload(const QStringList& options)
{
    const std::lock_guard lock(preload.mutex);
    if (preload.started)
        return;
    preload.started = true;
    preload.options = options;
    preload.thread = std::thread([options] {
        EngineModule* module = engineModule();
        std::unique_ptr<EngineSession> session(module ? module->createSession(options) : nullptr);
        const bool ok = session != nullptr;
        {
            const std::lock_guard lock(preload.mutex);
            preload.session = std::move(session);
            preload.answered = true;
            for (const auto& [guard, done] : std::exchange(preload.waiting, {}))
                post(guard, done, ok);
        }
        preload.made.notify_all();
        // The graphics driver comes next, while the first clip opens: the engine's video output
        // would otherwise load it only once the clip's pictures are wanted.
        if (ok && optionValue(options, QStringLiteral("vo")) == QLatin1String("gpu")) {
            loadVideoDriverLibraries();
            module->prepareVideoOutput();
        }
    });
}

std::unique_ptr<EngineSession> mpvTakePreloadedSession(const QStringList& options)
{
    std::unique_lock lock(preload.mutex);
    if (!preload.started || preload.options != options)
        return nullptr;
    preload.made.wait(lock, [] { return preload.answered; });
    return std::move(preload.session);
}

bool mpvEnginePreloading()
{
    const std::lock_guard lock(preload.mutex);
    return preload.started && !preload.answered;
}

void answerEngineProbe(int argc, char** argv)
{
    if (argc < 2 || std::strcmp(argv[1], ProbeArgument) != 0)
        return;
    QStringList extra;
    for (int i = 2; i < argc; ++i)
        extra.append(QString::fromLocal8Bit(argv[i]));
    std::_Exit(mpvEngineAvailable(extra) ? 0 : 1);
}

bool mpvEngineAvailable(const QStringList& extraOptions)
{
    EngineModule* module = engineModule();
    const std::unique_ptr<EngineSession> session(
        module ? module->createSession(mpvEffectiveOptions(extraOptions)) : nullptr);
    return session != nullptr;
}

void mpvEngineCheckApart(QObject* context, std::function<void(bool)> done, const QStringList& extraOptions)
{
    if (preloadAnswers(context, done))
        return;
    // Not the context's child: a widget deletes its children before its connections go, and a
    // process deleted while running reports its end, to a context that is no longer whole. Ended
    // with the context instead, unheard.
    QProcess* process = startProbe(nullptr, extraOptions);
    QObject::connect(context, &QObject::destroyed, process, [process] {
        process->disconnect();
        process->kill();
        process->waitForFinished();
        delete process;
    });
    auto answered = std::make_shared<bool>(false);
    auto answer = [process, answered, done, context, extraOptions](bool inChild, bool ok) {
        if (*answered)
            return;
        *answered = true;
        process->disconnect(context);
        process->deleteLater();
        if (inChild)
            done(ok);
        else
            checkInWorker(context, done, extraOptions);
    };
    QObject::connect(process, &QProcess::finished, context, [answer](int code, QProcess::ExitStatus status) {
        answer(true, status == QProcess::NormalExit && code == 0);
    });
    QObject::connect(process, &QProcess::errorOccurred, context, [answer](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            answer(false, false);
    });
    auto* timeout = new QTimer(process);
    timeout->setSingleShot(true);
    QObject::connect(timeout, &QTimer::timeout, context, [process, answer] {
        process->kill();
        answer(false, false);
    });
    process->start();
    timeout->start(ProbeTimeoutMs);
}

bool mpvEngineAvailableApart(const QStringList& extraOptions)
{
    QProcess* process = startProbe(nullptr, extraOptions);
    const std::unique_ptr<QProcess> owner(process);
    process->start();
    if (!process->waitForStarted(ProbeTimeoutMs) || !process->waitForFinished(ProbeTimeoutMs)) {
        process->kill();
        process->waitForFinished(ProbeTimeoutMs);
        return mpvEngineAvailable(extraOptions);
    }
    return process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
}
