#include "app/wmt.h"

#include "common/AppError.h"
#include "common/ClipTypes.h"
#include "common/FileLocations.h"
#include "common/JustOne.h"
#include "common/Paths.h"
#include "common/SharedState.h"
#include "platform/desktop/SystemServices.h"
#include "platform/media/MediaBackend.h"
#include "platform/ui/ClickableLabel.h"
#include "platform/ui/Guard.h"
#include "platform/ui/ReadableColours.h"
#include "platform/ui/WindowPlacement.h"
#include "playlist/Playlists.h"
#include "ui_wmt.h"

#include <QAccessible>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QFileInfo>
#include <QImageReader>
#include <QLocale>
#include <QStyle>
#include <QTimer>

namespace {

const QString Dates = QStringLiteral("Dates");
const QString Bar = QStringLiteral("Bar");
const QString Sound = QStringLiteral("Sound");

// The player's volume in percent; a value that is not one reads as full volume.
double readVolume(const IniFile& ini)
{
    bool ok = false;
    const int volume = ini.readString(Sound, QStringLiteral("Volume")).trimmed().toInt(&ok);
    return ok && volume >= 0 && volume <= 100 ? volume : 100;
}

QString shortDate(const QDate& d)
{
    return QLocale::system().toString(d, QLocale::ShortFormat);
}

// Long time format without the time zone, which Qt's long format adds.
QString longTime(const QTime& t)
{
    QString fmt = QLocale::system().timeFormat(QLocale::LongFormat);
    fmt.remove(u't');
    return QLocale::system().toString(t, fmt.trimmed());
}

} // namespace

const QString TForm1::MediaPlayerDownload = QStringLiteral("https://mpv.io/installation/");

QString TForm1::linkAddress(Link link)
{
    static const char* const addresses[LinkCount] = {
        "https://www.vidmarro.com/",
        "https://www.paypal.com/donate/?business=donate%40vidmarro.com&item_name=Vidmarro",
        "https://www.vidmarro.com/melnoria/",
        "https://www.amazon.com/gp/"
        "redirect.html?tag=vidmarro-20&location=%2Fgp%2Fbestsellers%2Fmovies-tv%2F2649512011",
        "https://www.amazon.com/gp/"
        "redirect.html?tag=vidmarro-20&location=%2Fgp%2Fbestsellers%2Fmovies-tv%2F2901953011",
        "https://www.amazon.com/gp/redirect.html?tag=vidmarro-20&location=%2Fgp%2Fbestsellers%2Fmusic",
        "https://www.amazon.com/gp/redirect.html?tag=vidmarro-20&location=%2Fgp%2Fbestsellers%2Fbooks",
        "https://www.amazon.com/gp/"
        "redirect.html?tag=vidmarro-20&location=%2Ftoys-games%2Fb%3Fnode%3D165793011",
    };
    return QString::fromLatin1(addresses[link]);
}

TForm1::TForm1(SharedState& state, Services& services, const QString& appDir, QWidget* parent,
               const QStringList& handOver, const LaunchToken& launch)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      ui(new Ui::TForm1()), S(state), m_services(services), m_ini(QString())
{
    // The guard runs before FormCreate, named after the application title. A second copy ends
    // without ever showing its window, so it does not build the window's layout.
    XJustOne1 = new TXJustOne(this);
    XJustOne1->SwitchToPrevious = true;
    m_anotherCopy = !XJustOne1->check(QCoreApplication::applicationName(), handOver, launch);
    connect(XJustOne1, &TXJustOne::activateRequested, this, &TForm1::bringToFront);
    connect(XJustOne1, &TXJustOne::filesReceived, this, &TForm1::openFiles);
    if (!m_anotherCopy && !handOver.isEmpty())
        warmUpPlayer();
    if (!m_anotherCopy)
        setUpWindow();
    FormCreate(appDir);
}

void TForm1::warmUpPlayer()
{
    // The engine's libraries load on a thread of their own while the windows are made. The loader
    // holds its lock all that time, and no library can load nor thread start elsewhere meanwhile:
    // what the windows load or start on their way comes first (the toolkit's accessibility bus
    // thread at the first text, its image format plugins at the first icon).
    QAccessible::isActive();
    QImageReader(QStringLiteral(":/icons/16/vidmarro.png")).format();
    m_services.media.warmUp();
}

void TForm1::setUpWindow()
{
    ui->setupUi(this);
    setFixedSize(size());
    setAcceptDrops(true);
    centreOnScreen(this);
    // The glyph costs an icon-theme lookup; it arrives just after the window has drawn, rather than
    // holding up its showing.
    afterFirstPaint(this,
                    [this] { ui->ExitButton->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton)); });
    // The donation link follows the sentence it ends, whatever the font's widths.
    ui->Label3->move(ui->Label2->x() + ui->Label2->fontMetrics().horizontalAdvance(ui->Label2->text()),
                     ui->Label3->y());
    ui->Label2->resize(ui->Label3->x() - ui->Label2->x(), ui->Label2->height());

    OpenDialog1.kind = FileDialogSettings::OpenMany;
    OpenDialog1.title = tr("Select clip(s)");
    OpenDialog1.rememberAs = QStringLiteral("clips"); // opens where the last pick was made, next run too
    OpenDialog1.filters = ClipTypes::dialogFilters();
    OpenDialog2.kind = FileDialogSettings::Open;
    OpenDialog2.title = tr("Select Playlist");
    OpenDialog2.filters = {//: A file dialog filter: keep the pattern in brackets.
                           tr("Play Lists (*.asx)"), Playlists::otherFormatsFilter()};
    OpenDialog2.defaultSuffix = QStringLiteral("asx");
    SaveDialog1.kind = FileDialogSettings::Save;
    SaveDialog1.title = tr("do NOT include extension in filename");
    SaveDialog1.filters = {//: A file dialog filter: keep the pattern in brackets.
                           tr("PlayList (*.asx)")};
    SaveDialog1.defaultSuffix = QStringLiteral("asx");
    //: The name first offered for a saved playlist.
    SaveDialog1.fileName = tr("Playlist");

    connect(ui->PickButton, &QPushButton::clicked, this, &TForm1::PickButtonClick);
    connect(ui->LoadButton, &QPushButton::clicked, this, &TForm1::LoadButtonClick);
    connect(ui->Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
    connect(ui->ExitButton, &QPushButton::clicked, this, &QWidget::close);
    connect(ui->Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
    connect(ui->BitBtn1, &QPushButton::clicked, this, &TForm1::BitBtn1Click);
    connect(ui->BitBtn2, &QPushButton::clicked, this, &TForm1::BitBtn2Click);
    connect(ui->BitBtn3, &QPushButton::clicked, this, &TForm1::BitBtn3Click);
    connect(ui->BitBtn4, &QPushButton::clicked, this, &TForm1::BitBtn4Click);
    connect(ui->BitBtn6, &QPushButton::clicked, this, &TForm1::BitBtn6Click);
    onLabelClick(
        ui->HomeLabel, [this] { HomeLabelClick(); }, LabelKind::Link);
    onLabelClick(
        ui->Label3, [this] { Label3Click(); }, LabelKind::Link);
    // The links sit where the Tab order reaches them: after Close, before the trial download.
    QWidget::setTabOrder(ui->ExitButton, ui->HomeLabel);
    QWidget::setTabOrder(ui->HomeLabel, ui->Label3);
    QWidget::setTabOrder(ui->Label3, ui->Button2);
    ui->MemoGuide->setAccessibleName(tr("Guide"));

    // The designed blue, navy and purple texts stay wherever they read well; on a dark palette
    // they take a lighter shade of themselves.
    for (QWidget* w : {static_cast<QWidget*>(ui->MemoGuide), static_cast<QWidget*>(ui->HomeLabel),
                       static_cast<QWidget*>(ui->Label3)})
        keepTextReadable(w, QPalette::Window);
    for (QWidget* w : {ui->PickButton, ui->LoadButton, ui->Button1, ui->BitBtn1, ui->BitBtn2, ui->BitBtn3,
                       ui->BitBtn4, ui->BitBtn6})
        keepTextReadable(w, QPalette::Button);
}

void TForm1::bringToFront(const LaunchToken& token)
{
    // Whatever window of ours is active (a modal player, say) comes forward with the main one.
    QWidget* target = QApplication::activeModalWidget() ? QApplication::activeModalWidget() : this;
    if (isMinimized())
        showNormal();
    bringForward(target, token);
}

TForm1::~TForm1()
{
    delete ui;
}

void TForm1::FormCreate(const QString& appDir)
{
    S.AppDir = Paths::withTrailingSeparator(appDir);
    S.ShutdownPending = false;
    // Installed where the user may not write, the program keeps its files in the user's folders.
    // Where the package puts the program is never its own, not even for root.
    const QString here = QFileInfo(appDir).canonicalFilePath();
    const bool installed =
        !here.isEmpty() && here == QFileInfo(QStringLiteral(VIDMARRO_INSTALLED_BINDIR)).canonicalFilePath();
    const FileLocations at =
        FileLocations::choose(S.AppDir, !installed && FileLocations::keepsFilesIn(S.AppDir));
    at.makeFolders(); // a folder that cannot be made shows up as the write's own error
    S.IniPath = at.settings;
    S.WorkPlaylist = at.workingPlaylist;
    S.PlaylistDir = at.playlistDir;
    m_ini = IniFile(S.IniPath);
    const bool ok = guarded(m_services.prompts, this, [&] {
        const QString today = shortDate(QDate::currentDate());
        if (!m_ini.exists()) {
            m_ini.writeString(Dates, QStringLiteral("Date1"), today);
            m_ini.writeBool(Bar, QStringLiteral("Track"), true);
            m_ini.writeBool(Bar, QStringLiteral("Status"), true);
        }
        S.ShowTrackBar = m_ini.readBool(Bar, QStringLiteral("Track"), true);
        S.ShowStatusBar = m_ini.readBool(Bar, QStringLiteral("Status"), true);
        S.Volume = readVolume(m_ini);
        S.Muted = m_ini.readBool(Sound, QStringLiteral("Mute"), false);
    });
    // Seeded whatever became of the settings: unseeded, Shuffle would play one order every run.
    const QTime utc = QDateTime::currentDateTimeUtc().time();
    S.Random.seed(std::uint32_t(utc.msecsSinceStartOfDay()));
    if (!ok)
        return; // the flags stay false, and the engine is not checked
    // Creating the media engine takes a moment: check it (MediaPlayerInstalled) once the window is
    // on screen.
    m_checkMediaPlayer = true;
    QTimer::singleShot(0, this, &TForm1::checkMediaPlayer);
}

void TForm1::checkMediaPlayer()
{
    if (!m_checkMediaPlayer)
        return;
    m_checkMediaPlayer = false;
    // The answer comes later; the window is usable meanwhile.
    MediaPlayerInstalled([this](bool installed) {
        if (!installed)
            m_services.prompts.message(tr("ERROR:\rIt seems the Windows Media Player is not installed\r"
                                          "Please download + install latest version available free from\r ") +
                                           MediaPlayerDownload,
                                       this);
    });
}

void TForm1::MediaPlayerInstalled(std::function<void(bool)> answer)
{
    m_services.media.checkEngine(this, std::move(answer));
}

void TForm1::closeEvent(QCloseEvent* event)
{
    FormClose();
    event->accept();
    // The program ends with this window. The toolkit's own quit on the last close is a posted
    // event that any window showing before it is handled (a tooltip falling due) or any nested
    // loop calls off, which would leave the program running with no window.
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

void TForm1::FormClose()
{
    // A refused write is reported, but the window closes all the same.
    guarded(m_services.prompts, this, [&] {
        m_ini.writeBool(Bar, QStringLiteral("Track"), S.ShowTrackBar);
        m_ini.writeBool(Bar, QStringLiteral("Status"), S.ShowStatusBar);
        // Written once changed: a file without them stays as it was.
        if (qRound(S.Volume) != qRound(readVolume(m_ini)))
            m_ini.writeString(Sound, QStringLiteral("Volume"), QString::number(qRound(S.Volume)));
        if (S.Muted != m_ini.readBool(Sound, QStringLiteral("Mute"), false))
            m_ini.writeBool(Sound, QStringLiteral("Mute"), S.Muted);
    });
}

QString TForm1::shutdownStamp(const QDateTime& now)
{
    QString text = shortDate(now.date());
    if (now.time() != QTime(0, 0))
        text += u' ' + longTime(now.time());
    return text;
}

void TForm1::ShutdownComputer()
{
    m_ini.writeString(Dates, QStringLiteral("SD"), shutdownStamp(QDateTime::currentDateTime()));
    m_services.system.requestShutdown();
}

void TForm1::open(Link link)
{
    m_services.system.openUrl(linkAddress(link));
}

void TForm1::HomeLabelClick()
{
    open(Home);
}
void TForm1::Label3Click()
{
    open(Donation);
}
void TForm1::Button2Click()
{
    open(Melnoria);
}
void TForm1::BitBtn1Click()
{
    open(ShopVhs);
}
void TForm1::BitBtn2Click()
{
    open(ShopDvd);
}
void TForm1::BitBtn3Click()
{
    open(ShopMusic);
}
void TForm1::BitBtn4Click()
{
    open(ShopBooks);
}
void TForm1::BitBtn6Click()
{
    open(ShopToys);
}
