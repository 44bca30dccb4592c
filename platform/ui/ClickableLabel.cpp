#include "platform/ui/ClickableLabel.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

namespace {

const char* const LabelActionName = "vidmarroLabelAction";

class LabelClick : public QObject
{
public:
    LabelClick(QLabel* label, std::function<void()> handler, LabelKind kind)
        : QObject(label), m_handler(std::move(handler)), m_kind(kind)
    {
        setObjectName(QLatin1String(LabelActionName));
        // Tab reaches it; a click does not move the focus, as it did not before.
        label->setFocusPolicy(Qt::TabFocus);
        label->installEventFilter(this);
    }

    LabelKind kind() const { return m_kind; }
    void trigger() { m_handler(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* label = static_cast<QLabel*>(watched);
        switch (event->type()) {
        case QEvent::MouseButtonRelease: {
            auto* me = static_cast<QMouseEvent*>(event);
            if (me->button() != Qt::LeftButton || !label->rect().contains(me->position().toPoint()))
                return false;
            m_handler();
            return true;
        }
        case QEvent::KeyPress: {
            auto* ke = static_cast<QKeyEvent*>(event);
            const bool activates =
                ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter || ke->key() == Qt::Key_Space;
            if (!activates || (ke->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
                return false;
            if (!ke->isAutoRepeat()) // a held key acts once
                m_handler();
            return true;
        }
        case QEvent::FocusIn:
        case QEvent::FocusOut:
            label->update();
            return false;
        case QEvent::Paint:
            if (m_painting || !label->hasFocus())
                return false;
            // The label paints itself first; the focus frame goes over its text.
            m_painting = true;
            QCoreApplication::sendEvent(label, event);
            m_painting = false;
            paintFocus(label);
            return true;
        default:
            return false;
        }
    }

private:
    static void paintFocus(QLabel* label)
    {
        QPainter p(label);
        QPen pen(label->palette().color(label->foregroundRole()));
        pen.setStyle(Qt::DotLine);
        p.setPen(pen);
        // A little wider on the right for an italic text's overhang.
        const QRect text =
            label->fontMetrics().boundingRect(label->contentsRect(), int(label->alignment()), label->text());
        p.drawRect(text.adjusted(-2, -1, 2, 0).intersected(label->rect().adjusted(0, 0, -1, -1)));
    }

    std::function<void()> m_handler;
    LabelKind m_kind;
    bool m_painting = false;
};

LabelClick* labelAction(QObject* object)
{
    return dynamic_cast<LabelClick*>(
        object->findChild<QObject*>(QLatin1String(LabelActionName), Qt::FindDirectChildrenOnly));
}

// What assistive tools see of a label that acts: a button or a link that can be pressed.
class LabelAccessible : public QAccessibleWidget
{
public:
    LabelAccessible(QLabel* label, LabelClick* action)
        : QAccessibleWidget(label,
                            action->kind() == LabelKind::Link ? QAccessible::Link : QAccessible::Button),
          m_action(action)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return static_cast<QLabel*>(widget())->text();
        return QAccessibleWidget::text(t);
    }

    QStringList actionNames() const override
    {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& name) override
    {
        if (name != pressAction())
            QAccessibleWidget::doAction(name);
        else if (widget()->isEnabled())
            m_action->trigger();
    }

private:
    LabelClick* m_action;
};

QAccessibleInterface* labelFactory(const QString& key, QObject* object)
{
    if (key != QLatin1String("QLabel"))
        return nullptr;
    LabelClick* action = labelAction(object);
    return action ? new LabelAccessible(static_cast<QLabel*>(object), action) : nullptr;
}

} // namespace

void onLabelClick(QLabel* label, std::function<void()> handler, LabelKind kind)
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(labelFactory);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    new LabelClick(label, std::move(handler), kind);
    // An interface made while the form was set up (assistive tools were listening) is a plain
    // label's: drop it, so that the next one asked for is the button's or the link's.
    QAccessibleInterface* made = QAccessible::queryAccessibleInterface(label);
    if (made && !dynamic_cast<LabelAccessible*>(made))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}
