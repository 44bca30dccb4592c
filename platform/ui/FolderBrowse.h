#pragma once

#include <QString>
#include <functional>

class QWidget;

// What the browser shows for the selection: the status text, and which buttons may be used.
struct FolderBrowseState
{
    QString status;
    bool okEnabled = true;
    bool newFolderEnabled = true;
};

// What the folder browser is asked to show, and the calls it makes back while it is open.
struct FolderBrowseRequest
{
    QString title;         // text above the tree
    QString initialFolder; // selected when the browser opens, if it exists
    QString rootFolder;    // top of the tree; empty: the whole file system
    bool onlyFileSystem = false;
    bool showPath = true; // the status line is shown

    QString newFolderCaption; // text of the New folder button
    bool newFolderVisible = true;
    bool newFolderEnabled = true; // at opening
    int newFolderWidth = 75;      // at 96 dots per inch

    // The browser window is set up (called once per opening).
    std::function<void(QWidget* browser)> initialized;
    // The selection moved to `path` (empty when the item has no file-system path).
    std::function<FolderBrowseState(const QString& path)> selectionChanged;
    // The New folder button was clicked; true closes the browser without a selection so that the
    // caller can open it again on the new folder.
    std::function<bool()> newFolderClicked;
};
