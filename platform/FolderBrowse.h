#pragma once

#include <QString>
#include <functional>

// What the folder browser is asked to show, and the calls it makes back while it is open.
struct FolderBrowseRequest
{
    QString title;            // text above the tree
    QString initialFolder;    // selected when the browser opens, if it exists
    bool onlyFileSystem = false;
    bool showPath = true;
};
