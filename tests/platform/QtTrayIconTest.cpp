// The real tray icon on the offscreen platform: its menu is rebuilt each time
// it opens, for as long as the program runs, and must cost nothing per opening.
#include "platform/QtTrayIcon.h"

#include <QApplication>
#include <QMenu>
#include <QTest>

using namespace orvane;

namespace {

TrayMenuEntry entry(const char* caption, std::vector<TrayMenuEntry> children = {})
{
    TrayMenuEntry e;
    e.id = e.caption = QString::fromLatin1(caption);
    e.children = std::move(children);
    return e;
}

// Every live menu and its own actions, submenus in brackets.
QStringList liveMenus()
{
    QStringList menus;
    for (QWidget* widget : QApplication::allWidgets()) {
        if (auto* menu = qobject_cast<QMenu*>(widget)) {
            QStringList actions;
            for (const QAction* action : menu->findChildren<QAction*>(Qt::FindDirectChildrenOnly))
                actions << (action->menu() ? "[" + action->text() + "]" : action->text());
            menus << menu->title() + ": " + actions.join(QLatin1Char(','));
        }
    }
    menus.sort();
    return menus;
}

} // namespace

class QtTrayIconTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void menuCostsNothingPerOpening();
};

void QtTrayIconTest::menuCostsNothingPerOpening()
{
    QtTrayIcon tray;
    // The shape of the notifier's menu: items, a separator, two submenus.
    connect(&tray, &TrayIcon::menuAboutToShow, &tray, [&tray] {
        tray.setMenu({entry("About"), entry("-"), entry("Links", {entry("Skins"), entry("Home")}),
                      entry("Preferences", {entry("On Top"), entry("Boot")}), entry("Exit")});
    });
    const QList<QWidget*> widgets = QApplication::allWidgets();
    const auto root = std::find_if(widgets.begin(), widgets.end(), [](QWidget* w) {
        return qobject_cast<QMenu*>(w) && !w->parentWidget();
    });
    QVERIFY(root != widgets.end());

    Q_EMIT static_cast<QMenu*>(*root)->aboutToShow();
    const QStringList once = liveMenus();
    QCOMPARE(once, (QStringList{": [],About,,Exit", "Links: [Links],Skins,Home",
                                "Preferences: [Preferences],On Top,Boot"}));
    for (int opening = 0; opening < 1000; ++opening)
        Q_EMIT static_cast<QMenu*>(*root)->aboutToShow();
    QCOMPARE(liveMenus(), once);
}

QTEST_MAIN(QtTrayIconTest)
#include "QtTrayIconTest.moc"
