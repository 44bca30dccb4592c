#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QProgressBar;
class QPushButton;

// The progress window of a run: which file, how many bytes, and Cancel.
class ShellProgressWindow : public QDialog
{
    Q_OBJECT
public:
    ShellProgressWindow(const QString& title, qint64 totalBytes, QWidget* parent);

    void setFile(const QString& verb, const QString& name, const QString& from, const QString& to);
    void setBytes(qint64 done);
    // A delete counts items, not bytes.
    void setCountsItems(bool on);
    bool cancelled() const { return m_cancelled; }

    QLabel* fileLabel() const { return m_file; }
    QLabel* bytesLabel() const { return m_bytes; }
    QProgressBar* bar() const { return m_bar; }
    QPushButton* cancelButton() const { return m_cancel; }

protected:
    void reject() override;

private:
    QLabel* m_file;
    QLabel* m_fromTo;
    QLabel* m_bytes;
    QProgressBar* m_bar;
    QPushButton* m_cancel;
    qint64 m_total;
    bool m_items = false;
    bool m_cancelled = false;
};
