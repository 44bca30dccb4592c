#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

// The saving operations the fault tests break: each writes one file over an old one in a folder,
// through the real code (the writer, the settings file, the main window's close, the editor's OK,
// the clip manager's "Add to existing playlist").
namespace FaultOps {

struct Outcome
{
    bool reported = false; // the user was told (a stop box, or an error with user text)
    QString message;
};

class Op
{
public:
    virtual ~Op() = default;
    // The file the operation replaces, in its folder.
    virtual QString target() const = 0;
    // Puts the old file (and what the operation reads) into `dir`; `clips` is a folder of clips
    // outside the folder under fault.
    virtual void prepare(const QString& dir, const QString& clips) = 0;
    // Runs the operation; `arm`/`disarm` bracket the part under fault.
    virtual Outcome run(const QString& dir, const QString& clips, const std::function<void()>& arm,
                        const std::function<void()>& disarm) = 0;
    // States the file may be left in by a failure after a part of the work had been saved: the
    // settings are written a key at a time.
    virtual QList<QByteArray> partialStates(const QString& dir)
    {
        Q_UNUSED(dir);
        return {};
    }
};

QStringList names();
std::unique_ptr<Op> make(const QString& name);

// The text of a file, or a null array when it cannot be read.
QByteArray readFile(const QString& path);
bool writeFile(const QString& path, const QByteArray& bytes);
// Every entry of a folder, hidden ones included.
QStringList entries(const QString& dir);

// How one trial ended, against the old file and the complete new one.
struct Tally
{
    int trials = 0;
    int reported = 0;  // failures that reached the user
    int succeeded = 0; // complete new file, no message
    qint64 bytesLost = 0;
    int leftovers = 0;
    int silent = 0;
    QStringList notes; // what went wrong, for the log

    // `mustFail`: the fault left no way to succeed (a write, sync or rename that failed).
    void add(const QString& label, const Outcome& out, const QByteArray& before, const QByteArray& after,
             const QByteArray& complete, const QList<QByteArray>& partial, const QStringList& extra,
             bool mustFail);
    void merge(const Tally& other);
    QString line(const QString& what) const;
};

} // namespace FaultOps
