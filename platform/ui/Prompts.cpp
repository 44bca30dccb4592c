#include "platform/ui/Prompts.h"

#include <QCoreApplication>

void Prompts::message(const QString& text, QWidget* parent)
{
    messageBox({AppTitle, text, QMessageBox::NoIcon, QMessageBox::Ok, QMessageBox::Ok}, parent);
}

void Prompts::stop(const QString& text, QWidget* parent)
{
    messageBox({AppTitle, text, QMessageBox::Critical, QMessageBox::Ok, QMessageBox::Ok}, parent);
}

QMessageBox::StandardButton Prompts::confirm(const QString& text, QMessageBox::StandardButtons buttons,
                                             QWidget* parent)
{
    return messageBox(
        {QCoreApplication::translate("Prompts", "Confirm"), text, QMessageBox::Question, buttons}, parent);
}
