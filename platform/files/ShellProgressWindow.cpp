#include "platform/files/ShellProgressWindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

ShellProgressWindow::ShellProgressWindow(const QString& title, qint64 totalBytes, QWidget* parent)
    : QDialog(parent), m_total(totalBytes)
{
    setObjectName(QStringLiteral("ShellProgressWindow"));
    setWindowTitle(title);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    // Only this window takes input while the run holds the event loop.
    setWindowModality(Qt::ApplicationModal);

    m_file = new QLabel(this);
    m_fromTo = new QLabel(this);
    m_bytes = new QLabel(this);
    m_bar = new QProgressBar(this);
    m_bar->setRange(0, 1000);
    m_bar->setValue(0);
    m_bar->setTextVisible(false);
    m_cancel = new QPushButton(tr("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("CancelButton"));
    connect(m_cancel, &QPushButton::clicked, this, &ShellProgressWindow::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_file);
    layout->addWidget(m_fromTo);
    layout->addWidget(m_bar);
    layout->addWidget(m_bytes);
    layout->addLayout(buttons);
    setMinimumWidth(400);
    setBytes(0);
}

void ShellProgressWindow::setFile(const QString& verb, const QString& name, const QString& from,
                                  const QString& to)
{
    m_file->setText(verb + u' ' + name);
    //: %1, %2: folders.
    m_fromTo->setText(to.isEmpty() ? tr("From %1").arg(from) : tr("From %1 to %2").arg(from, to));
}

void ShellProgressWindow::setBytes(qint64 done)
{
    const QLocale locale;
    if (m_items)
        m_bytes->setText(tr("%1 of %2 items").arg(done).arg(m_total));
    else
        //: %1 and %2: sizes, "1.5 MiB".
        m_bytes->setText(
            tr("%1 of %2").arg(locale.formattedDataSize(done), locale.formattedDataSize(m_total)));
    m_bar->setValue(m_total > 0 ? int(qMin<qint64>(1000, done * 1000 / m_total)) : 0);
}

void ShellProgressWindow::setCountsItems(bool on)
{
    m_items = on;
    setBytes(0);
}

void ShellProgressWindow::reject()
{
    // The run notices at its next step and cleans up; the window stays until then.
    m_cancelled = true;
    m_cancel->setEnabled(false);
}
