#include "player/SleepU.h"

#include "common/SharedState.h"
#include "platform/ui/WindowPlacement.h"
#include "player/WplayerU2.h"
#include "ui_SleepU.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QStyle>
#include <QTimer>

namespace {

// In list order: the one-minute entry for testing comes last.
constexpr int Minutes[TSleepF::ItemCount] = {0, 0, 15, 30, 45, 60, 90, 120, 150, 180, 210, 240, 1};

} // namespace

TSleepF::TSleepF(SharedState& state, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), ui(new Ui::TSleepF),
      S(state), m_group(new QButtonGroup(this))
{
    ui->setupUi(this);
    setFixedSize(size());
    setAttribute(Qt::WA_QuitOnClose, false);
    keepFromMinimising(this);
    ui->BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    ui->BitBtn2->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    for (int i = 0; i < ItemCount; ++i) {
        auto* b = ui->SleepTimer->findChild<QRadioButton*>(QStringLiteral("SleepTimerItem%1").arg(i));
        m_group->addButton(b, i);
    }
    ui->Memo1->setAccessibleName(tr("About the sleep timer"));
    connect(ui->BitBtn1, &QPushButton::clicked, this, &TSleepF::BitBtn1Click);
    connect(ui->BitBtn2, &QPushButton::clicked, this, &TSleepF::BitBtn2Click);
    FormCreate();
}

TSleepF::~TSleepF()
{
    delete ui;
}

void TSleepF::FormCreate()
{
    SetItemIndex(0);
}

int TSleepF::minutesAt(int index)
{
    return index >= 0 && index < ItemCount ? Minutes[index] : 0;
}

int TSleepF::ItemIndex() const
{
    return m_group->checkedId();
}

void TSleepF::SetItemIndex(int index)
{
    if (QAbstractButton* b = m_group->button(index))
        b->setChecked(true);
}

int TSleepF::showFor(TWplayerF2& player)
{
    m_player = &player;
    setOwnerWindow(this, &player);
    centreOnScreen(this);
    const int result = exec();
    setOwnerWindow(this, nullptr);
    m_player = nullptr;
    return result;
}

void TSleepF::BitBtn1Click()
{
    if (m_player) {
        const int index = std::max(ItemIndex(), 0);
        // Unchecking runs the player's own Sleep handler, which clears the flag and the timer too.
        m_player->CheckBox4->setChecked(index > 0);
        S.ShutdownPending = m_player->CheckBox4->isChecked();
        if (index >= 2)
            m_player->Timer1->start(minutesAt(index) * 60000);
        else
            m_player->Timer1->stop();
    }
    accept();
}

void TSleepF::BitBtn2Click()
{
    reject();
}
