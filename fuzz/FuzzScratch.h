#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

// A private folder for one fuzzing process: the current folder while it runs, so that the
// inputs can name the files in it by relative paths. Removed at exit.
class FuzzScratch
{
public:
    FuzzScratch();
    ~FuzzScratch();
    FuzzScratch(const FuzzScratch&) = delete;
    FuzzScratch& operator=(const FuzzScratch&) = delete;

    QString path(const QString& name) const;

    // Folder parts of `name` are made as needed.
    void writeFile(const QByteArray& name, const QByteArray& data);
    void makeFolder(const QByteArray& name);
    void makeLink(const QByteArray& name, const QByteArray& target);
    void makeFifo(const QByteArray& name);

    // Replaces the contents of the input file in place (one open, one write).
    void writeInput(const QByteArray& name, const uint8_t* data, size_t size);

private:
    QByteArray m_dir;
};

// Stops the run with a message when a property of the parsers does not hold.
[[noreturn]] void fuzzFailure(const char* what, const QString& detail = {});
