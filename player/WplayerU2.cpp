#include "player/WplayerU2.h"

#include "common/Paths.h"
#include "common/SharedState.h"
#include "platform/Services.h"
#include "platform/desktop/SystemServices.h"
#include "platform/media/MediaBackend.h"
#include "platform/media/MediaPlayerControl.h"
#include "platform/ui/ClickableLabel.h"
#include "platform/ui/Guard.h"
#include "platform/ui/Prompts.h"
#include "platform/ui/ReadableColours.h"
#include "platform/ui/WindowPlacement.h"
#include "player/FullScreen.h"
#include "player/PlayerDialogs.h"
#include "player/PlayerSession.h"
#include "player/TrackKeys.h"
#include "playlist/CCFuncs.h"
#include "ui_WplayerU2.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QStyle>
#include <QTimer>

namespace {

// Bottom layout, in the form's pixels: the option groups keep this margin to the bottom edge, the
// buttons sit this far below the groups' top.
constexpr int GroupBottomMargin = 4;
constexpr int ButtonOffset = 14;

} // namespace

TWplayerF2::TWplayerF2(SharedState& state, Services& services, PlayerDialogs* dialogs, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      ui(new Ui::TWplayerF2), S(state), m_services(services), m_dialogs(dialogs)
{
    ui->setupUi(this);
    // The border is fixed at the designed size; maximising is still offered.
    setMinimumSize(size());
    setAttribute(Qt::WA_QuitOnClose, false);
    ui->Shape1->setAttribute(Qt::WA_TransparentForMouseEvents);
    ui->DoneButton->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));

    CheckBox3 = ui->CheckBox3;
    CheckBox4 = ui->CheckBox4;
    CheckBox5 = ui->CheckBox5;
    CheckBox6 = ui->CheckBox6;
    ListBox2 = ui->ListBox2;
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);

    // The control is made here, never reparented: the engine's video surface stays with it.
    try {
        WMTPlayer1 = m_services.media.makePlayer(this);
    } catch (...) {
        delete ui; // the destructor does not run for a window that failed to construct
        throw;
    }
    WMTPlayer1->setObjectName(QStringLiteral("WMTPlayer1"));
    WMTPlayer1->setGeometry(6, 6, 229, 202);
    WMTPlayer1->SetEnabled(false);
    WMTPlayer1->SetShowTracker(true);
    WMTPlayer1->SetShowStatusBar(true);
    WMTPlayer1->SetPlayCount(1);
    WMTPlayer1->SetRate(1.0);
    WMTPlayer1->setVolume(S.Volume);
    WMTPlayer1->setMuted(S.Muted);
    WMTPlayer1->show();
    // Go stands where Mark will: first after the control, and the focus starts on it.
    QWidget::setTabOrder(WMTPlayer1, ui->GoButton);
    QWidget::setTabOrder(ui->GoButton, ui->MarkButton);
    ui->GoButton->setFocus();

    connect(WMTPlayer1, &MediaPlayerControl::OnNewStream, this, &TWplayerF2::WMTPlayer1NewStream);
    connect(WMTPlayer1, &MediaPlayerControl::OnEndOfStream, this, &TWplayerF2::WMTPlayer1EndOfStream);
    onLabelClick(ui->GoButton, [this] { GoButtonClick(); });
    connect(ui->MarkButton, &QPushButton::clicked, this, &TWplayerF2::MarkButtonClick);
    connect(ui->DoneButton, &QPushButton::clicked, this, &QWidget::close);
    // A box runs its handler whenever its state changes, also when code sets it.
    connect(ui->CheckBox1, &QCheckBox::toggled, this, &TWplayerF2::CheckBox1Click);
    connect(ui->CheckBox2, &QCheckBox::toggled, this, &TWplayerF2::CheckBox2Click);
    connect(ui->CheckBox3, &QCheckBox::toggled, this, &TWplayerF2::CheckBox3Click);
    connect(ui->CheckBox4, &QCheckBox::toggled, this, &TWplayerF2::CheckBox4Click);
    connect(ui->CheckBox5, &QCheckBox::toggled, this, &TWplayerF2::CheckBox5Click);
    connect(ui->CheckBox6, &QCheckBox::toggled, this, &TWplayerF2::CheckBox6Click);
    connect(Timer1, &QTimer::timeout, this, &TWplayerF2::Timer1Timer);

    m_fullScreen = new PlayerFullScreen(*this, WMTPlayer1);
    m_trackKeys = new TrackKeys(WMTPlayer1, this);
    m_session = new PlayerSession(*this, WMTPlayer1);
    m_desktop = m_services.system.publishSession(*m_session);

    // Centred on the screen, not over the (hidden) main window.
    centreOnScreen(this);

    ui->MemoMark->setAccessibleName(tr("How to mark clips"));
    keepTextReadable(ui->Label1, QPalette::Window);

    FormCreate();
}

TWplayerF2::~TWplayerF2()
{
    delete ui;
}

void TWplayerF2::run(const std::function<void()>& body)
{
    guarded(m_services.prompts, this, body);
}

void TWplayerF2::FormCreate()
{
    ui->CheckBox1->setEnabled(S.AllBox.count() > 2);
    ShuffleOn = false;
    NeedShuffle = true;
}

QString TWplayerF2::playOrderAt(int index) const
{
    if (ShuffleOn) {
        if (index < 0 || index >= ListBox2->count())
            return QString();
        return ListBox2->item(index)->text();
    }
    if (index < 0 || index >= S.AllBox.count())
        return QString();
    return S.AllBox.at(index);
}

QStringList TWplayerF2::playOrder() const
{
    if (!ShuffleOn)
        return S.AllBox.items();
    QStringList out;
    out.reserve(ListBox2->count());
    for (int i = 0; i < ListBox2->count(); ++i)
        out.append(ListBox2->item(i)->text());
    return out;
}

void TWplayerF2::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    FormResize();
}

void TWplayerF2::FormResize()
{
    const int playTop = height() - ui->Play->height() - GroupBottomMargin;
    ui->Play->move(ui->Play->x(), playTop);
    ui->Display->move(ui->Display->x(), playTop);
    const int buttonTop = playTop + ButtonOffset;
    ui->MarkButton->move(ui->MarkButton->x(), buttonTop);
    ui->GoButton->move(ui->GoButton->x(), buttonTop);
    ui->Shape1->move(ui->Shape1->x(), buttonTop);
    ui->DoneButton->move(ui->DoneButton->x(), buttonTop);
}

void TWplayerF2::keyPressEvent(QKeyEvent* event)
{
    if (m_fullScreen->handleKey(event) || m_trackKeys->handleKey(event))
        return;
    // Esc does not close the player: only the close buttons do.
    if (event->key() == Qt::Key_Escape) {
        event->ignore();
        return;
    }
    // Go is the default action until playback starts; a focused push button keeps its own Enter.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && !ui->GoButton->isHidden() && !qobject_cast<QPushButton*>(focusWidget())) {
        GoButtonClick();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TWplayerF2::GoButtonClick()
{
    if (ui->GoButton->isHidden() || !WMTPlayer1)
        return; // Go is spent once clicked, also when the playlist could not be written
    // Mark takes over the focus when it appears in Go's place.
    m_markTakesFocus = ui->GoButton->hasFocus();
    ui->GoButton->hide();
    ui->Shape1->hide();
    ui->CheckBox1->setEnabled(false);
    run([&] {
        // Entry n of the file is entry n - 1 of the play order, so the control's entry number
        // indexes the play order directly.
        CCFuncs::WritePlaylist(playOrder(), S.PlaylistPath);
        ui->Label1->setText(QString());
        TitlePrefix = QStringLiteral("Vidmarro - (");
        TitleTotal = QStringLiteral("/") + QString::number(S.AllBox.count()) + QStringLiteral(") ");
        WMTPlayer1->SetEnabled(true);
        // The control's keys work from the start, also when the window was not yet active (a start
        // from the command line): Go's focus would otherwise pass on to the next box.
        WMTPlayer1->setFocus(Qt::OtherFocusReason);
        if (!WMTPlayer1->IsSoundCardEnabled())
            m_services.prompts.message(tr("Warning - Sound Card Not Enabled"), this);
        ui->MemoMark->hide();
        if (!WMTPlayer1)
            return; // closed while the warning was up
        m_started = true;
        WMTPlayer1->Open(S.PlaylistPath);
    });
}

void TWplayerF2::WMTPlayer1NewStream()
{
    run([&] {
        if (!WMTPlayer1)
            return;
        const int n = WMTPlayer1->GetCurrentEntry();
        // Shown with the first entry that plays: when the first clip cannot be played, the run
        // starts at a later entry, and marking must still be offered.
        if (n >= 1 && S.EntryMode == EntryPicked && ui->MarkButton->isHidden()) {
            ui->MarkButton->show();
            ui->MemoMark->hide();
            if (m_markTakesFocus)
                ui->MarkButton->setFocus();
        }
        if (n <= 0)
            return;
        const QString clip = playOrderAt(n - 1);
        if (clip.isNull())
            return; // an entry the play order does not hold: leave the title alone
        setWindowTitle(TitlePrefix + QString::number(n) + TitleTotal + Paths::fileName(clip));
        if (S.EntryMode == EntryPicked)
            ui->MarkButton->setEnabled(true);
    });
}

void TWplayerF2::WMTPlayer1EndOfStream(int)
{
    run([&] {
        if (!WMTPlayer1 || WMTPlayer1->GetCurrentEntry() != 0)
            return; // another entry follows, or the playlist starts over
        WMTPlayer1->Stop();
        close();
    });
}

void TWplayerF2::MarkButtonClick()
{
    run([&] {
        if (!WMTPlayer1)
            return;
        const int i = WMTPlayer1->GetCurrentEntry() - 1;
        if (i < 0)
            return;
        ui->MarkButton->setEnabled(false);
        const QString clip = playOrderAt(i);
        if (clip.isNull() || S.PathLeft.indexOf(clip) >= 0)
            return; // a clip is marked at most once per run
        S.LeftBox.add(Paths::fileName(clip));
        S.PathLeft.add(clip);
    });
}

void TWplayerF2::CheckBox1Click()
{
    ShuffleOn = ui->CheckBox1->isChecked();
    if (!ShuffleOn || !NeedShuffle)
        return; // unchecking keeps the drawn order for the next check
    QStringList order = S.AllBox.items();
    shuffle(order, S.Random);
    ListBox2->clear();
    ListBox2->addItems(order);
    NeedShuffle = false;
}

void TWplayerF2::CheckBox2Click()
{
    run([&] {
        if (WMTPlayer1)
            WMTPlayer1->SetPlayCount(ui->CheckBox2->isChecked() ? 0 : 1);
    });
}

void TWplayerF2::CheckBox3Click()
{
    if (ui->CheckBox3->isChecked()) {
        if (m_dialogs)
            m_dialogs->showSpeed(*this);
        return;
    }
    run([&] {
        if (WMTPlayer1)
            WMTPlayer1->SetRate(1.0);
    });
}

void TWplayerF2::CheckBox4Click()
{
    if (ui->CheckBox4->isChecked()) {
        if (m_dialogs)
            m_dialogs->showSleep(*this);
        return;
    }
    S.ShutdownPending = false;
    Timer1->stop();
}

void TWplayerF2::CheckBox5Click()
{
    run([&] {
        if (WMTPlayer1)
            WMTPlayer1->SetShowTracker(ui->CheckBox5->isChecked());
    });
}

void TWplayerF2::CheckBox6Click()
{
    run([&] {
        if (WMTPlayer1)
            WMTPlayer1->SetShowStatusBar(ui->CheckBox6->isChecked());
    });
}

void TWplayerF2::Timer1Timer()
{
    S.ShutdownPending = true;
    close();
}

void TWplayerF2::done(int result)
{
    FormClose();
    QDialog::done(result);
}

void TWplayerF2::FormClose()
{
    if (m_closed)
        return;
    m_closed = true;
    Timer1->stop();
    m_fullScreen->leave();
    m_desktop.reset(); // off the desktop, and the screensaver free again, before the control goes
    MediaPlayerControl* control = WMTPlayer1;
    WMTPlayer1 = nullptr;
    if (!control)
        return;
    S.Volume = control->volume();
    S.Muted = control->muted();
    guarded(m_services.prompts, this, [&] {
        control->Stop();
        control->SetEnabled(false);
    });
    // Released now, before the window itself goes; deferred because this may run inside one of
    // the control's own events.
    control->disconnect(this);
    control->hide();
    control->deleteLater();
}
