#include "panels/ui/panellist.h"
#include "panels/ui/rowpainter.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHelpEvent>
#include <QTest>
#include <QToolTip>

using namespace dovex;

namespace {

PanelEntry named(const QString& name)
{
    PanelEntry e;
    e.name = name;
    e.size = 5;
    return e;
}

// The tooltip a hover over row shows; empty when none.
QString hover(TPanelList& list, int row)
{
    QToolTip::hideText(); // hidden after a short fade
    if (!QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 5000))
        return QStringLiteral("(an earlier tooltip stayed)");
    const QRect r = list.visualRect(list.model().index(row));
    QHelpEvent event(QEvent::ToolTip, r.center(), list.viewport()->mapToGlobal(r.center()));
    QApplication::sendEvent(list.viewport(), &event);
    return QToolTip::isVisible() ? QToolTip::text() : QString();
}

} // namespace

TEST(PanelList, HoveringAClippedNameShowsItWhole)
{
    FilePanel panel;
    // A long name, a short one, and one that would be markup if taken so.
    const QString longName = QString(60, QLatin1Char('n')) + QStringLiteral(".txt");
    const QString markup = QStringLiteral("<b>bold</b>") + QString(50, QLatin1Char('x'));
    panel.entries = {named(longName), named(QStringLiteral("a.txt")), named(markup)};
    RowPainter painter;
    TPanelList list(panel, painter);
    list.delegate().options.columns = computeColumns(list.font(), 12);
    list.resize(500, 200);
    list.show();
    list.entriesReset(0);
    QApplication::processEvents();

    EXPECT_TRUE(hover(list, 0).contains(longName)) << hover(list, 0).toStdString();
    EXPECT_EQ(hover(list, 1), QString());
    const QString shown = hover(list, 2);
    EXPECT_TRUE(shown.contains(markup.toHtmlEscaped())) << shown.toStdString();

    // Names only, over the whole row: a name that fits tells nothing.
    list.delegate().options.nameColumnChars = -1;
    list.delegate().options.columns = computeColumns(list.font(), -1);
    list.resize(1400, 200);
    QApplication::processEvents();
    EXPECT_EQ(hover(list, 0), QString());
}
