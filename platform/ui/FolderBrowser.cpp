#include "platform/ui/FolderBrowser.h"

#include "platform/ui/WindowPlacement.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

FolderBrowser::FolderBrowser(FolderBrowseRequest& request, QWidget* parent)
    : QDialog(parent), m_request(request)
{
    setObjectName(QStringLiteral("FolderBrowser"));
    setWindowTitle(tr("Browse for Folder"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    auto* title = new QLabel(request.title, this);
    title->setObjectName(QStringLiteral("TitleLabel"));
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("StatusLabel"));
    m_status->setVisible(request.showPath);

    m_model = new QFileSystemModel(this);
    m_model->setFilter(QDir::AllDirs | QDir::Drives | QDir::NoDotAndDotDot);
    m_model->setReadOnly(true);
    m_tree = new QTreeView(this);
    m_tree->setObjectName(QStringLiteral("FolderTree"));
    m_tree->setAccessibleName(tr("Folders"));
    title->setBuddy(m_tree);
    m_tree->setModel(m_model);
    for (int c = 1; c < m_model->columnCount(); ++c)
        m_tree->hideColumn(c);
    m_tree->header()->hide();
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    const QString root = request.rootFolder;
    m_model->setRootPath(root.isEmpty() ? QString() : root);
    if (!root.isEmpty())
        m_tree->setRootIndex(m_model->index(root));

    m_newFolder = new QPushButton(request.newFolderCaption, this);
    m_newFolder->setObjectName(QStringLiteral("NewFolderButton"));
    m_newFolder->setFixedWidth(request.newFolderWidth);
    m_newFolder->setEnabled(request.newFolderEnabled);
    m_newFolder->setVisible(request.newFolderVisible);
    m_newFolder->setAutoDefault(false);

    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = box->button(QDialogButtonBox::Ok);
    m_ok->setObjectName(QStringLiteral("OkButton"));
    box->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("CancelButton"));

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_newFolder);
    bottom->addStretch();
    bottom->addWidget(box);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addWidget(m_status);
    layout->addWidget(m_tree, 1);
    layout->addLayout(bottom);
    resize(380, 420);

    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_newFolder, &QPushButton::clicked, this, &FolderBrowser::newFolderClick);
    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &FolderBrowser::selectionMoved);

    if (!request.initialFolder.isEmpty() && QFileInfo(request.initialFolder).isDir())
        selectPath(request.initialFolder);
    // Nothing selected yet has no path either: OK would hand back an empty folder.
    if (!m_tree->currentIndex().isValid() && request.onlyFileSystem)
        m_ok->setEnabled(false);
    // The model reads folders in the background; keep the selection in sight while the folders
    // above it come in.
    connect(m_model, &QFileSystemModel::directoryLoaded, this, [this](const QString& dir) {
        const QString current = currentPath();
        if (!current.isEmpty() &&
            (current == dir || current.startsWith(dir.endsWith(u'/') ? dir : dir + u'/')))
            m_tree->scrollTo(m_tree->currentIndex(), QAbstractItemView::PositionAtCenter);
    });
}

QString FolderBrowser::run()
{
    if (exec() != QDialog::Accepted)
        return {};
    const QString path = currentPath();
    return path.isNull() ? QStringLiteral("") : path;
}

QString FolderBrowser::currentPath() const
{
    const QModelIndex index = m_tree->currentIndex();
    return index.isValid() ? m_model->filePath(index) : QString();
}

void FolderBrowser::selectPath(const QString& path)
{
    const QModelIndex index = m_model->index(QFileInfo(path).absoluteFilePath());
    if (!index.isValid())
        return;
    m_tree->setCurrentIndex(index);
    m_tree->scrollTo(index);
}

void FolderBrowser::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_initialized)
        return;
    m_initialized = true;
    // Centred on the screen, whatever the owner.
    centreOnScreen(this);
    if (m_tree->currentIndex().isValid())
        m_tree->scrollTo(m_tree->currentIndex(), QAbstractItemView::PositionAtCenter);
    if (m_request.initialized)
        m_request.initialized(this);
}

void FolderBrowser::selectionMoved()
{
    const QString path = currentPath();
    FolderBrowseState state{path, true, m_request.newFolderEnabled};
    if (m_request.selectionChanged)
        state = m_request.selectionChanged(path);
    m_status->setText(state.status);
    m_ok->setEnabled(state.okEnabled);
    m_newFolder->setEnabled(state.newFolderEnabled);
}

void FolderBrowser::newFolderClick()
{
    if (m_request.newFolderClicked && m_request.newFolderClicked())
        reject();
}
