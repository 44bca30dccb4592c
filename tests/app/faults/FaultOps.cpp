#include "FaultOps.h"

#include "support/RecordingMedia.h"
#include "support/RecordingServices.h"
#include "support/ScriptedPrompts.h"

#include "app/wmt.h"
#include "clipmanager/ActionFormU.h"
#include "common/AppError.h"
#include "common/IniFile.h"
#include "common/SharedState.h"
#include "editor/MangleU.h"
#include "platform/Services.h"
#include "playlist/CCFuncs.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryFile>
#include <QTest>

#include <algorithm>

namespace FaultOps {

QByteArray readFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QByteArray data = f.readAll();
    if (data.isNull())
        data = QByteArray(""); // empty, but there
    return data;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size() && f.flush();
}

QStringList entries(const QString& dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                               QDir::Name);
}

namespace {

QString clipName(int i)
{
    return QStringLiteral("clip%1.wav").arg(i, 2, 10, QLatin1Char('0'));
}

// Clips the editor and the clip manager read back: they must exist, or the reader drops them.
QStringList clipPaths(const QString& clips, int from, int to)
{
    QStringList out;
    for (int i = from; i < to; ++i) {
        const QString p = QDir(clips).filePath(clipName(i));
        if (!QFile::exists(p))
            writeFile(p, "RIFF");
        out << p;
    }
    return out;
}

QStringList someEntries(const char* stem, int n)
{
    QStringList out;
    for (int i = 0; i < n; ++i)
        out << QStringLiteral("/media/clips/%1 %2.mp3")
                   .arg(QLatin1String(stem))
                   .arg(i, 4, 10, QLatin1Char('0'));
    return out;
}

// Waits for posted work (a window asking for its file) without a fixed sleep.
template <typename F> bool processUntil(F done)
{
    QDeadlineTimer deadline(20000);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

Outcome fromPrompts(const ScriptedPrompts& prompts)
{
    Outcome out;
    const QStringList texts = prompts.boxTexts();
    out.reported = !texts.isEmpty();
    out.message = texts.join(QLatin1String(" | "));
    return out;
}

// Settings a user has had for a while: comments, the first-start date, the bar flags and a
// section of another version's, enough to fill more than one page.
QByteArray oldSettings()
{
    QByteArray ini = "; Vidmarro settings\r\n[Dates]\r\nDate1=3/4/2024\r\nSD=5/6/2024 10:11:12\r\n"
                     "[Bar]\r\nTrack=1\r\nStatus=1\r\n[Recent]\r\n";
    for (int i = 0; i < 120; ++i)
        ini += "File" + QByteArray::number(i) + "=/home/user/Music/playlist number " + QByteArray::number(i) +
               ".asx\r\n";
    return ini;
}

// Runs `save` with the fault armed; an error with user text counts as the user being told.
Outcome underFault(const std::function<void()>& arm, const std::function<void()>& disarm,
                   const std::function<void()>& save)
{
    Outcome out;
    arm();
    try {
        save();
    } catch (const AppError& e) {
        out.reported = !e.text().isEmpty();
        out.message = e.text();
    }
    disarm();
    return out;
}

class PlaylistOp : public Op
{
public:
    QString target() const override { return QStringLiteral("list.asx"); }
    void prepare(const QString& dir, const QString&) override
    {
        CCFuncs::WritePlaylist(someEntries("old", 40), QDir(dir).filePath(target()));
    }
    Outcome run(const QString& dir, const QString&, const std::function<void()>& arm,
                const std::function<void()>& disarm) override
    {
        const QStringList entries = someEntries("new", 400);
        return underFault(arm, disarm,
                          [&] { CCFuncs::WritePlaylist(entries, QDir(dir).filePath(target())); });
    }
};

class SettingsOp : public Op
{
public:
    QString target() const override { return QStringLiteral("Vidmarro.INI"); }
    void prepare(const QString& dir, const QString&) override
    {
        writeFile(QDir(dir).filePath(target()), oldSettings());
    }
    Outcome run(const QString& dir, const QString&, const std::function<void()>& arm,
                const std::function<void()>& disarm) override
    {
        IniFile ini(QDir(dir).filePath(target()));
        return underFault(arm, disarm,
                          [&] { ini.writeBool(QStringLiteral("Bar"), QStringLiteral("Track"), false); });
    }
};

// The main window's close writes both bar flags, a key at a time.
class FormCloseOp : public SettingsOp
{
public:
    Outcome run(const QString& dir, const QString&, const std::function<void()>& arm,
                const std::function<void()>& disarm) override
    {
        ScriptedPrompts prompts;
        RecordingServices system;
        RecordingMedia media;
        Services services{prompts, system, media};
        SharedState S;
        TForm1 form(S, services, dir);
        if (!prompts.boxTexts().isEmpty())
            return fromPrompts(prompts); // the settings could not even be read
        S.ShowTrackBar = false;
        S.ShowStatusBar = false;
        form.show();
        arm();
        form.close();
        disarm();
        return fromPrompts(prompts);
    }
    QList<QByteArray> partialStates(const QString& dir) override
    {
        Q_UNUSED(dir);
        QTemporaryFile copy;
        if (!copy.open())
            return {};
        copy.close();
        writeFile(copy.fileName(), oldSettings());
        IniFile(copy.fileName()).writeBool(QStringLiteral("Bar"), QStringLiteral("Track"), false);
        return {readFile(copy.fileName())};
    }
};

// The editor opens a playlist listed backwards, sorts it and saves with OK.
class EditorOp : public Op
{
public:
    QString target() const override { return QStringLiteral("list.asx"); }
    void prepare(const QString& dir, const QString& clips) override
    {
        QStringList list = clipPaths(clips, 0, 12);
        std::reverse(list.begin(), list.end());
        CCFuncs::WritePlaylist(list, QDir(dir).filePath(target()));
    }
    Outcome run(const QString& dir, const QString&, const std::function<void()>& arm,
                const std::function<void()>& disarm) override
    {
        ScriptedPrompts prompts;
        RecordingServices system;
        RecordingMedia media;
        Services services{prompts, system, media};
        SharedState S;
        S.AppDir = dir + u'/';
        FileDialogSettings clipDialog;
        const QString playlist = QDir(dir).filePath(target());
        prompts.answerFiles({playlist});
        TMangle editor(S, services, clipDialog);
        editor.show();
        if (!processUntil([&] { return !editor.playlistPath().isEmpty() || !editor.isVisible(); }) ||
            !editor.isVisible() || !prompts.boxTexts().isEmpty())
            return fromPrompts(prompts); // could not be opened
        QTest::mouseClick(editor.findChild<QPushButton*>(QStringLiteral("ButtonSort")), Qt::LeftButton);
        arm();
        QTest::mouseClick(editor.findChild<QPushButton*>(QStringLiteral("ButtonOK")), Qt::LeftButton);
        disarm();
        Outcome out = fromPrompts(prompts);
        // A failed save keeps the editor open; a good one closes it.
        if (out.reported == !editor.isVisible())
            out.message += QStringLiteral(" (editor %1)").arg(editor.isVisible() ? "open" : "closed");
        return out;
    }
};

// The clip manager adds two marked clips to an existing playlist.
class ClipManagerOp : public Op
{
public:
    QString target() const override { return QStringLiteral("list.asx"); }
    void prepare(const QString& dir, const QString& clips) override
    {
        CCFuncs::WritePlaylist(clipPaths(clips, 0, 10), QDir(dir).filePath(target()));
    }
    Outcome run(const QString& dir, const QString& clips, const std::function<void()>& arm,
                const std::function<void()>& disarm) override
    {
        ScriptedPrompts prompts;
        RecordingServices system;
        RecordingMedia media;
        Services services{prompts, system, media};
        SharedState S;
        S.AppDir = dir + u'/';
        for (const QString& p : clipPaths(clips, 20, 22)) {
            S.LeftBox.add(QFileInfo(p).fileName());
            S.PathLeft.add(p);
        }
        TActionForm form(S, services);
        form.show();
        QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("SelectButton")), Qt::LeftButton);
        QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("FillButton")), Qt::LeftButton);
        form.setActionIndex(3);
        prompts.answerFiles({QDir(dir).filePath(target())});
        arm();
        form.GoButtonClick();
        disarm();
        return fromPrompts(prompts);
    }
};

} // namespace

QStringList names()
{
    return {QStringLiteral("playlist"), QStringLiteral("settings"), QStringLiteral("formclose"),
            QStringLiteral("editor"), QStringLiteral("clipmanager")};
}

std::unique_ptr<Op> make(const QString& name)
{
    if (name == QLatin1String("playlist"))
        return std::make_unique<PlaylistOp>();
    if (name == QLatin1String("settings"))
        return std::make_unique<SettingsOp>();
    if (name == QLatin1String("formclose"))
        return std::make_unique<FormCloseOp>();
    if (name == QLatin1String("editor"))
        return std::make_unique<EditorOp>();
    if (name == QLatin1String("clipmanager"))
        return std::make_unique<ClipManagerOp>();
    return nullptr;
}

void Tally::add(const QString& label, const Outcome& out, const QByteArray& before, const QByteArray& after,
                const QByteArray& complete, const QList<QByteArray>& partial, const QStringList& extra,
                bool mustFail)
{
    ++trials;
    auto note = [&](const QString& what) { notes << label + QStringLiteral(": ") + what; };
    const bool isOld = !after.isNull() && after == before;
    const bool isNew = !after.isNull() && after == complete;
    const bool isPartial = !after.isNull() && partial.contains(after);
    if (out.reported) {
        ++reported;
        if (isNew)
            note(QStringLiteral("saved, yet reported as failed: ") + out.message);
    } else if (isNew && !mustFail) {
        ++succeeded;
    } else {
        ++silent;
        note(QStringLiteral("no message, file %1")
                 .arg(isNew   ? "new despite the fault"
                      : isOld ? "unchanged"
                              : "damaged"));
    }
    if (!isOld && !isNew && !isPartial) {
        bytesLost += before.size();
        note(QStringLiteral("file left with %1 bytes (old %2, new %3)")
                 .arg(after.isNull() ? -1 : after.size())
                 .arg(before.size())
                 .arg(complete.size()));
    }
    if (!extra.isEmpty()) {
        leftovers += int(extra.size());
        note(QStringLiteral("left behind: ") + extra.join(u','));
    }
}

void Tally::merge(const Tally& o)
{
    trials += o.trials;
    reported += o.reported;
    succeeded += o.succeeded;
    bytesLost += o.bytesLost;
    leftovers += o.leftovers;
    silent += o.silent;
    notes += o.notes;
}

QString Tally::line(const QString& what) const
{
    return QStringLiteral("%1: %2 operations under fault, %3 failures reported, %4 completed, "
                          "%5 bytes lost, %6 leftover files, %7 silent failures")
        .arg(what)
        .arg(trials)
        .arg(reported)
        .arg(succeeded)
        .arg(bytesLost)
        .arg(leftovers)
        .arg(silent);
}

} // namespace FaultOps
