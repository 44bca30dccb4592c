#include "player/Speed.h"

#include "platform/media/MediaPlayerControl.h"
#include "platform/ui/Guard.h"
#include "platform/ui/WindowPlacement.h"
#include "player/WplayerU2.h"
#include "ui_Speed.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>

namespace {

constexpr double Rates[TSpeedF::ItemCount] = {1.0, 0.2, 0.5, 1.5, 2.0};

} // namespace

TSpeedF::TSpeedF(Prompts& prompts, QWidget* parent)
    : QDialog(parent), ui(new Ui::TSpeedF), m_prompts(prompts), m_group(new QButtonGroup(this))
{
    ui->setupUi(this);
    setAttribute(Qt::WA_QuitOnClose, false);
    ui->BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    ui->BitBtn2->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    QRadioButton* const items[ItemCount] = {ui->RadioGroup1Item0, ui->RadioGroup1Item1, ui->RadioGroup1Item2,
                                            ui->RadioGroup1Item3, ui->RadioGroup1Item4};
    for (int i = 0; i < ItemCount; ++i)
        m_group->addButton(items[i], i);
    SetItemIndex(0);
    ui->ColorMemo1->setAccessibleName(tr("Note on speed"));

    connect(ui->BitBtn1, &QPushButton::clicked, this, &TSpeedF::BitBtn1Click);
    connect(ui->BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

TSpeedF::~TSpeedF()
{
    delete ui;
}

double TSpeedF::rateAt(int index)
{
    return index >= 0 && index < ItemCount ? Rates[index] : 1.0;
}

int TSpeedF::ItemIndex() const
{
    return m_group->checkedId();
}

void TSpeedF::SetItemIndex(int index)
{
    if (QAbstractButton* b = m_group->button(index))
        b->setChecked(true);
}

int TSpeedF::showFor(TWplayerF2& player)
{
    m_player = &player;
    setOwnerWindow(this, &player);
    const int result = exec();
    setOwnerWindow(this, nullptr);
    m_player = nullptr;
    return result;
}

void TSpeedF::BitBtn1Click()
{
    if (m_player) {
        const int index = std::max(ItemIndex(), 0);
        // A refused rate is reported and leaves the Speed box as it is; the dialog closes anyway.
        guarded(m_prompts, this, [&] {
            if (m_player->WMTPlayer1)
                m_player->WMTPlayer1->SetRate(rateAt(index));
            m_player->CheckBox3->setChecked(index > 0);
        });
    }
    accept();
}

bool TSpeedF::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate)
        FormActivate();
    return QDialog::event(e);
}

void TSpeedF::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    // Across the screen's centre at each showing; the height follows the player at every activation.
    // Where the compositor places windows, it puts the dialog over the player itself.
    if (m_player && clientPlacesWindows()) {
        QScreen* screen = m_player->screen() ? m_player->screen() : QGuiApplication::primaryScreen();
        if (screen)
            move(screen->availableGeometry().center().x() - frameGeometry().width() / 2, y());
    }
    FormActivate();
}

void TSpeedF::resizeEvent(QResizeEvent* e)
{
    QDialog::resizeEvent(e);
    ui->RadioGroup1->setGeometry(0, 0, width(), ui->RadioGroup1->height());
}

void TSpeedF::FormActivate()
{
    if (!m_player || !clientPlacesWindows())
        return;
    // Bottom edges level with the player's, outer measures throughout; the left edge stays where
    // it is, so a dialog the user moved sideways keeps that place when it comes to the front again.
    const QRect player = m_player->frameGeometry();
    const QRect self = frameGeometry();
    const int top = player.top() + player.height() - self.height();
    if (self.top() != top)
        move(self.left(), top);
}
