#pragma once

#include <QString>
#include <stdexcept>

// The one error type for failing file and system operations. It carries the text the user sees;
// handlers let it propagate to the guard that shows it (platform/Guard.h). The file layer answers
// with FileResult instead, which becomes this error in FileResult::throwIfFailed alone.
class AppError : public std::runtime_error
{
public:
    explicit AppError(const QString& text) : std::runtime_error(text.toStdString()), m_text(text) {}
    const QString& text() const { return m_text; }

private:
    QString m_text;
};
