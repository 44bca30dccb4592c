#pragma once

#include "platform/ui/FolderBrowse.h"

#include <QDialog>

class QFileSystemModel;
class QLabel;
class QPushButton;
class QTreeView;

// The folder browser: a tree of the file system's folders, the title text, a status line, OK and
// Cancel, and a New folder button whose work the caller does.
class FolderBrowser : public QDialog
{
    Q_OBJECT
public:
    FolderBrowser(FolderBrowseRequest& request, QWidget* parent);

    // Shows the browser modally: the chosen folder, or a null string when cancelled.
    QString run();

    QString currentPath() const;
    QTreeView* tree() const { return m_tree; }
    QLabel* statusLabel() const { return m_status; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* newFolderButton() const { return m_newFolder; }
    void selectPath(const QString& path);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void selectionMoved();
    void newFolderClick();

    FolderBrowseRequest& m_request;
    QFileSystemModel* m_model;
    QTreeView* m_tree;
    QLabel* m_status;
    QPushButton* m_ok;
    QPushButton* m_newFolder;
    bool m_initialized = false;
};
