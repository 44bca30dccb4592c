#include "editor/ConfirmKillU.h"

#include "platform/ui/WindowPlacement.h"
#include "ui_ConfirmKillU.h"

#include <QStyle>

TConfirmKill::TConfirmKill(QWidget* parent)
    // A title but no title-bar buttons: the answer is Yes or No (Esc).
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), ui(new Ui::TConfirmKill)
{
    ui->setupUi(this);
    // The question keeps a margin on both sides, whatever the font's widths at this scale: it
    // moves left from its designed place when it must, and the box grows only as a last resort.
    constexpr int MinMargin = 3;
    QLabel* question = ui->Label1;
    question->ensurePolished();
    const int text = question->fontMetrics().horizontalAdvance(question->text()) + 2;
    resize(qMax(width(), text + 2 * MinMargin), height());
    question->setGeometry(qMin(question->x(), (width() - text) / 2), question->y(), text, question->height());
    setFixedSize(size());
    keepFromMinimising(this);
    ui->OKbutton->setIcon(style()->standardIcon(QStyle::SP_DialogYesButton));
    ui->CancelButton->setIcon(style()->standardIcon(QStyle::SP_DialogNoButton));
    connect(ui->OKbutton, &QPushButton::clicked, this, &TConfirmKill::OKbuttonClick);
    connect(ui->CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

TConfirmKill::~TConfirmKill()
{
    delete ui;
}

bool TConfirmKill::sendToTrash() const
{
    return ui->CheckBox1->isChecked();
}

void TConfirmKill::OKbuttonClick()
{
    accept();
}

void TConfirmKill::showEvent(QShowEvent* event)
{
    ui->CheckBox1->setChecked(false);
    centreOnScreen(this);
    QDialog::showEvent(event);
}
