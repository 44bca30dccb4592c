// Every window as assistive tools and a dark theme see it: each control that takes input has a
// name, and each text stands out from what it is drawn on.
#include "app/wmt.h"
#include "clipmanager/ActionFormU.h"
#include "editor/ConfirmKillU.h"
#include "editor/MangleU.h"
#include "platform/ui/FolderBrowser.h"
#include "platform/ui/ReadableColours.h"
#include "player/PlayerKit.h"
#include "player/SleepU.h"
#include "player/Speed.h"
#include "player/WplayerU2.h"
#include "playlist/CCFuncs.h"
#include "support/WindowFixture.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>

#include <memory>
#include <vector>

class TestAccess : public QObject
{
    Q_OBJECT
    WindowFixture f;
    FolderBrowseRequest m_browse;

    // One of each window, made fresh under the palette in force.
    std::vector<std::unique_ptr<QWidget>> windows()
    {
        f.media.players = PlayerKit::engine(false);
        m_browse.newFolderCaption = QStringLiteral("New folder");
        f.state.LeftBox.add(QStringLiteral("a.mp3"));
        f.state.PathLeft.add(f.dir.filePath(QStringLiteral("a.mp3")));
        const QString list = f.dir.filePath(QStringLiteral("list.asx"));
        CCFuncs::WritePlaylist(f.state.PathLeft.items(), list);
        f.prompts.answerFiles({list}); // the editor's playlist
        std::vector<std::unique_ptr<QWidget>> w;
        auto* form = new TForm1(f.state, f.services, f.dir.path());
        w.emplace_back(form);
        w.emplace_back(new TWplayerF2(f.state, f.services, nullptr));
        w.emplace_back(new TSpeedF(f.prompts));
        w.emplace_back(new TSleepF(f.state));
        w.emplace_back(new TActionForm(f.state, f.services));
        w.emplace_back(new TMangle(f.state, f.services, form->OpenDialog1));
        w.emplace_back(new TConfirmKill);
        w.emplace_back(new FolderBrowser(m_browse, nullptr));
        return w;
    }

    static bool interactive(QAccessibleInterface* i)
    {
        switch (i->role()) {
        case QAccessible::Button:
        case QAccessible::CheckBox:
        case QAccessible::RadioButton:
        case QAccessible::ComboBox:
        case QAccessible::List:
        case QAccessible::Tree:
        case QAccessible::Table:
        case QAccessible::Slider:
        case QAccessible::SpinBox:
        case QAccessible::Link:
        case QAccessible::EditableText:
            return true;
        default:
            // A part that hands its focus on (to the media control, say) is not a control of its own.
            auto* w = qobject_cast<QWidget*>(i->object());
            return i->state().focusable && i->role() != QAccessible::ScrollBar && !(w && w->focusProxy());
        }
    }

    // Interactive controls of the tree under `i` (items inside lists aside), and those without a name.
    static void walk(QAccessibleInterface* i, int& all, QStringList& unnamed)
    {
        for (int c = 0; c < i->childCount(); ++c) {
            QAccessibleInterface* child = i->child(c);
            if (!child || child->state().invisible)
                continue;
            if (interactive(child)) {
                ++all;
                // A text that takes the focus but offers no action is a control that hides what it is.
                if (child->text(QAccessible::Name).trimmed().isEmpty() ||
                    child->role() == QAccessible::StaticText)
                    unnamed << child->object()->objectName();
            }
            if (child->role() != QAccessible::List && child->role() != QAccessible::Tree &&
                child->role() != QAccessible::Table)
                walk(child, all, unnamed);
        }
    }

private Q_SLOTS:
    // In every window, on the light and the dark palette: each control has a name for assistive
    // tools, each text reads at 4.5:1 on its own ground, and no label is cut or lies over a control.
    // VIDMARRO_SHOTS names a folder for a picture of each window.
    void everyWindowNamedAndReadable_data()
    {
        QTest::addColumn<bool>("dark");
        QTest::newRow("light") << false;
        QTest::newRow("dark") << true;
    }
    void everyWindowNamedAndReadable()
    {
        QFETCH(bool, dark);
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        QPalette pal = QApplication::style()->standardPalette();
        for (auto [role, rgb] : {std::pair{QPalette::Window, 0x353535},
                                 {QPalette::WindowText, 0xffffff},
                                 {QPalette::Base, 0x2a2a2a},
                                 {QPalette::Text, 0xffffff},
                                 {QPalette::Button, 0x353535},
                                 {QPalette::ButtonText, 0xffffff}})
            pal.setColor(role, dark ? QColor::fromRgb(rgb) : pal.color(role));
        QApplication::setPalette(pal);
        for (const auto& w : windows()) {
            w->show();
            QVERIFY(QTest::qWaitForWindowExposed(w.get()));
            int all = 0;
            QStringList unnamed;
            walk(QAccessible::queryAccessibleInterface(w.get()), all, unnamed);
            qInfo("%s: %lld of %d controls named", w->metaObject()->className(), all - unnamed.size(), all);
            QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(u' ')));
            for (QWidget* c : w->findChildren<QWidget*>()) {
                if (!c->isVisible() || !c->isEnabled() ||
                    c->objectName() == QLatin1String("GoButton")) // white on its green shape
                    continue;
                // Text sits on a push button's face, or on the nearest ground that a style sheet paints.
                QWidget* under = c;
                while (!under->isWindow() &&
                       under->palette().color(QPalette::Window) == pal.color(QPalette::Window))
                    under = under->parentWidget();
                const QPalette& p = c->palette();
                const QColor ground = c->inherits("QPushButton") ? p.color(QPalette::Button)
                                                                 : under->palette().color(QPalette::Window);
                if (qobject_cast<QLabel*>(c) || qobject_cast<QAbstractButton*>(c) ||
                    qobject_cast<QPlainTextEdit*>(c))
                    QVERIFY2(contrastRatio(p.color(c->foregroundRole()), ground) >= 4.5,
                             qPrintable(c->objectName()));
                auto* label = qobject_cast<QLabel*>(c);
                if (!label || label->text().isEmpty() ||
                    label->sizePolicy().horizontalPolicy() == QSizePolicy::Ignored)
                    continue;
                QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <=
                             label->contentsRect().width(),
                         qPrintable(c->objectName()));
                for (QWidget* other : c->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                    QVERIFY2(other == c || other->focusPolicy() == Qt::NoFocus || !other->isVisible() ||
                                 !other->geometry().intersects(c->geometry()),
                             qPrintable(c->objectName() + u' ' + other->objectName()));
            }
            if (qEnvironmentVariableIsSet("VIDMARRO_SHOTS"))
                w->grab().save(QStringLiteral("%1/%2-%3-x%4.png")
                                   .arg(qEnvironmentVariable("VIDMARRO_SHOTS"), w->metaObject()->className(),
                                        dark ? "dark" : "light", QString::number(w->devicePixelRatioF())));
        }
    }
};

QTEST_MAIN(TestAccess)
#include "tst_access.moc"
