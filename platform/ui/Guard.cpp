#include "platform/ui/Guard.h"

#include <QCoreApplication>

#include "common/AppError.h"
#include "platform/ui/Prompts.h"

#include <new>

bool guarded(Prompts& prompts, QWidget* parent, const std::function<void()>& body)
{
    try {
        body();
        return true;
    } catch (const AppError& e) {
        prompts.stop(e.text(), parent);
    } catch (const std::bad_alloc&) {
        prompts.stop(QCoreApplication::translate("Prompts", "Out of memory"), parent);
    } catch (const std::exception& e) {
        prompts.stop(QString::fromLocal8Bit(e.what()), parent);
    }
    return false;
}
