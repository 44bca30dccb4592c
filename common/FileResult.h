#pragma once

#include <QString>

// What one call of the file layer came to: done, cancelled by the user, or failed with the errno
// value and the text the user is shown. SafeFile, the playlist's file access, FileOps, Trash and
// the shell file operation all answer with it; a user action that cannot go on turns a failure
// into AppError with throwIfFailed(), and nowhere else.
class FileResult
{
public:
    enum Status
    {
        Done,
        Failed,
        Cancelled
    };

    FileResult() = default;
    // `err` is 0 where the failure comes from a library that gives only its text (GIO).
    static FileResult failed(int err, const QString& text) { return {Failed, err, text}; }
    // Failed with the platform's file-layer text for `err` (ioErrorText), or the system's own.
    static FileResult ioError(int err);
    static FileResult systemError(int err);
    static FileResult cancelled() { return {Cancelled, 0, {}}; }

    bool ok() const { return m_status == Done; }
    Status status() const { return m_status; }
    int error() const { return m_error; }
    const QString& text() const { return m_text; }

    // Throws AppError with text() when the call failed.
    void throwIfFailed() const;

private:
    FileResult(Status status, int err, const QString& text) : m_status(status), m_error(err), m_text(text) {}

    Status m_status = Done;
    int m_error = 0;
    QString m_text;
};

// The failure text the user knows from the platform's file layer for an errno value: "Disk full",
// "File access denied" ...
QString ioErrorText(int err);
// The system's own wording for an errno value ("No space left on device").
QString systemErrorText(int err);
