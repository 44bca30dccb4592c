// Every window as assistive tools, a dark theme and a German user see it: each control that takes
// input has a name, each text stands out from what it is drawn on and fits, and speaks German.
#include "app/Languages.h"
#include "app/wmt.h"
#include "clipmanager/ActionFormU.h"
#include "editor/ConfirmKillU.h"
#include "editor/MangleU.h"
#include "platform/files/ShellFileOperation.h"
#include "platform/files/ShellProgressWindow.h"
#include "platform/files/ShellTexts.h"
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
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>
#include <QTranslator>

#include <map>
#include <memory>
#include <vector>

class TestAccess : public QObject
{
    Q_OBJECT
    WindowFixture f;
    FolderBrowseRequest m_browse;
    QTranslator m_own, m_qt;

    // The program's and Qt's German, as the program loads them for a German user.
    void speakGerman(bool on)
    {
        if (!on) {
            QCoreApplication::removeTranslator(&m_own);
            QCoreApplication::removeTranslator(&m_qt);
            return;
        }
        const QLocale german(QLocale::German, QLocale::Germany);
        QVERIFY(Languages::loadOwn(m_own, german, QCoreApplication::applicationDirPath()));
        QVERIFY2(Languages::loadQt(m_qt, german), "Qt's own translations are missing (scripts/deps.sh)");
        QCoreApplication::installTranslator(&m_own);
        QCoreApplication::installTranslator(&m_qt);
    }

    // Every text a window shows or tells assistive tools, by widget and property; the mnemonics of
    // its controls go to `mnemonics`.
    static std::map<QString, QString> textsOf(QWidget* window, QString* mnemonics = nullptr)
    {
        std::map<QString, QString> out;
        QList<QWidget*> all = window->findChildren<QWidget*>();
        all.prepend(window);
        for (int i = 0; i < all.size(); ++i) {
            QWidget* w = all[i];
            const QString key =
                QLatin1String(window->metaObject()->className()) + u'/' + QString::number(i) + u'/';
            QStringList shown;
            if (w == window)
                out[key + QLatin1String("title")] = w->windowTitle();
            out[key + QLatin1String("tip")] = w->toolTip();
            out[key + QLatin1String("name")] = w->accessibleName();
            if (auto* l = qobject_cast<QLabel*>(w))
                shown << l->text();
            else if (auto* b = qobject_cast<QAbstractButton*>(w))
                shown << b->text();
            else if (auto* g = qobject_cast<QGroupBox*>(w))
                shown << g->title();
            else if (auto* e = qobject_cast<QPlainTextEdit*>(w))
                out[key + QLatin1String("text")] = e->toPlainText();
            for (const QString& text : shown) {
                out[key + QLatin1String("text")] = text;
                const QString plain = QString(text).remove(QStringLiteral("&&"));
                if (mnemonics && plain.indexOf(u'&') >= 0 && plain.indexOf(u'&') + 1 < plain.size())
                    mnemonics->append(plain.at(plain.indexOf(u'&') + 1).toLower());
            }
        }
        return out;
    }

    // Names, file names and words that German shares with English.
    bool sameInBoth(const QString& text) const
    {
        static const QStringList same = {
            QStringLiteral("Vidmarro"),
            QStringLiteral("OK"),
            QStringLiteral("Pause"),
            QStringLiteral("Playlist"),
            QStringLiteral("Videos-VHS"),
            QStringLiteral("Videos-DVD"),
            QStringLiteral("Vidmarro - Player"),
            QStringLiteral("Playlists (*.asx)"),
            QStringLiteral("New folder"), // the caller's caption, from the folder dialog's own language list
        };
        const QString t = text.trimmed();
        return !t.contains(QRegularExpression(QStringLiteral("[A-Za-z]{2}"))) || same.contains(t) ||
               t.contains(f.dir.path()) || t.endsWith(QLatin1String(".mp3")) ||
               t.endsWith(QLatin1String(".asx"));
    }

    // The program's windows, its progress window, and Qt's own message box and file dialog.
    std::vector<std::unique_ptr<QWidget>> everyDialog()
    {
        auto w = windows();
        auto* progress = new ShellProgressWindow(QStringLiteral("Vidmarro"), 100, nullptr);
        progress->setFile(ShellTexts::verb(ShellFileOperation::FO_COPY, false), QStringLiteral("a.mp3"),
                          QStringLiteral("/from"), QStringLiteral("/to"));
        w.emplace_back(progress);
        w.emplace_back(new QMessageBox(QMessageBox::Question, QStringLiteral("Vidmarro"), QStringLiteral("?"),
                                       QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel));
        auto* files = new QFileDialog;
        files->setOption(QFileDialog::DontUseNativeDialog);
        files->setDirectory(f.dir.path());
        w.emplace_back(files);
        return w;
    }

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
    // In every window, on the light and the dark palette and in German: each control has a name for
    // assistive tools, each text reads at 4.5:1 on its own ground, and no label is cut or lies over a
    // control. VIDMARRO_SHOTS names a folder for a picture of each window.
    void everyWindowNamedAndReadable_data()
    {
        QTest::addColumn<bool>("dark");
        QTest::addColumn<bool>("german");
        QTest::newRow("light") << false << false;
        QTest::newRow("dark") << true << false;
        QTest::newRow("german") << false << true;
    }
    void everyWindowNamedAndReadable()
    {
        QFETCH(bool, dark);
        QFETCH(bool, german);
        speakGerman(german);
        const auto back = qScopeGuard([this] { speakGerman(false); });
        if (QTest::currentTestFailed())
            return;
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
                                        german ? "german"
                                        : dark ? "dark"
                                               : "light",
                                        QString::number(w->devicePixelRatioF())));
        }
    }

    // Each window, dialog and Qt's own message box and file dialog, once in English and once in
    // German: no text stays English, and no mnemonic is taken twice in one of the program's windows.
    void everyTextInGerman()
    {
        std::map<QString, QString> english;
        for (const auto& w : everyDialog())
            english.merge(textsOf(w.get()));
        speakGerman(true);
        const auto back = qScopeGuard([this] { speakGerman(false); });
        if (QTest::currentTestFailed())
            return;
        QStringList left;
        int compared = 0;
        const auto dialogs = everyDialog();
        for (const auto& w : dialogs) {
            QString mnemonics;
            for (const auto& [key, text] : textsOf(w.get(), &mnemonics)) {
                ++compared;
                if (english.count(key) && english[key] == text && !sameInBoth(text))
                    left << key + u' ' + text;
            }
            if (w->inherits("QFileDialog") || w->inherits("QMessageBox"))
                continue; // Qt's own choice
            for (QChar c : mnemonics)
                QVERIFY2(
                    mnemonics.count(c) == 1,
                    qPrintable(QStringLiteral("%1: &%2 twice").arg(w->metaObject()->className()).arg(c)));
        }
        qInfo("%d texts compared", compared);
        QVERIFY2(left.isEmpty(), qPrintable(left.join(u'\n')));
    }
};

QTEST_MAIN(TestAccess)
#include "tst_access.moc"
