#include "controls/tcoolpanel.h"
#include "controls/twin97button.h"
#include "controls/twinsplit.h"

#include <QApplication>
#include <QMap>
#include <QMenu>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace dovex::test {

namespace {

// A row as the main window has it: three tool panels and a filling one,
// each panel's target its left neighbour.
struct Row {
    QWidget row;
    TcoolPanel* panels[4];
    explicit Row(int width = 600)
    {
        row.resize(width, 31);
        const int widths[4] = {90, 120, 207, 100};
        for (int i = 0; i < 4; ++i) {
            panels[i] = new TcoolPanel(&row, widths[i]);
            panels[i]->setObjectName(QStringLiteral("CoolPanel%1").arg(i + 1));
            if (i > 0)
                panels[i]->setTargetcontrol(panels[i - 1]);
        }
        panels[3]->setCanCollapse(false);
        panels[3]->setFillsRow(true);
        row.show();
        TcoolPanel::layoutRow(&row);
    }
    int sum() const
    {
        int s = 0;
        for (TcoolPanel* p : panels)
            s += p->width();
        return s;
    }
};

// A drag as the pointer makes it: fixed points on the screen, each given to
// the grip in its own coordinates of the moment (it moves with the drag).
void drag(QWidget* w, int fromX, int toX)
{
    const QPoint start = w->mapToGlobal(QPoint(fromX, 10));
    auto send = [&](QEvent::Type type, int dx) {
        const QPoint global = start + QPoint(dx, 0);
        QMouseEvent e(type, QPointF(w->mapFromGlobal(global)), QPointF(global),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                      Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    };
    send(QEvent::MouseButtonPress, 0);
    const int step = toX > fromX ? 1 : -1;
    for (int dx = 0; dx != toX - fromX; dx += step)
        send(QEvent::MouseMove, dx + step);
    send(QEvent::MouseButtonRelease, toX - fromX);
}

} // namespace

TEST(TcoolPanel, GripClickCollapsesAndExpandsButNeverTheCustomPanel)
{
    Row r;
    TcoolPanel* shell = r.panels[2];
    QTest::mouseClick(shell->grip(), Qt::LeftButton, {}, QPoint(5, 10));
    EXPECT_TRUE(shell->Collapsed());
    EXPECT_EQ(shell->width(), 12);
    EXPECT_EQ(r.panels[3]->x(), 90 + 120 + 12); // the row closes up
    EXPECT_EQ(r.sum(), 600);                    // and the filling panel takes the rest
    QTest::mouseClick(shell->grip(), Qt::LeftButton, {}, QPoint(5, 10));
    EXPECT_FALSE(shell->Collapsed());
    EXPECT_EQ(shell->width(), 207);

    const int before = r.panels[3]->width();
    QTest::mouseClick(r.panels[3]->grip(), Qt::LeftButton, {}, QPoint(5, 10));
    EXPECT_FALSE(r.panels[3]->Collapsed());
    EXPECT_EQ(r.panels[3]->width(), before);

    // A panel that is not left-aligned does not toggle.
    shell->setAlignedLeft(false);
    shell->toggle();
    EXPECT_EQ(shell->width(), 207);
}

TEST(TcoolPanel, WidthAtOrBelowTheCollapsedWidthCountsAsCollapsed)
{
    Row r;
    r.panels[1]->setPanelWidth(5);
    EXPECT_EQ(r.panels[1]->width(), 12);
    EXPECT_TRUE(r.panels[1]->Collapsed());
    r.panels[1]->setPanelWidth(13);
    EXPECT_FALSE(r.panels[1]->Collapsed());
}

TEST(TcoolPanel, DraggingAGripResizesTheTargetAndNeverBelowItsCollapsedWidth)
{
    Row r;
    TcoolPanel* extra = r.panels[1];
    TcoolPanel* shell = r.panels[2];
    // Shell's grip dragged 30 pixels left: Extra narrows, Shell widens.
    drag(shell->grip(), 5, -25);
    EXPECT_EQ(extra->width(), 90);
    EXPECT_EQ(shell->width(), 237);
    EXPECT_EQ(shell->x(), 180);
    EXPECT_FALSE(shell->Collapsed()); // a drag is not a click
    // To the far left: the target stops at its collapsed width.
    drag(shell->grip(), 5, -400);
    EXPECT_EQ(extra->width(), 12);
    EXPECT_TRUE(extra->Collapsed());
    EXPECT_EQ(r.sum(), 600);
    // To the far right: the row is re-fitted, each panel keeps its
    // collapsed width inside the row.
    drag(shell->grip(), 5, 900);
    EXPECT_EQ(r.sum(), 600);
    EXPECT_LE(r.panels[3]->x() + 12, 600);
    EXPECT_GE(r.panels[3]->width(), 12);
    EXPECT_GE(shell->width(), 12);
}

TEST(TcoolPanel, TheLeftmostPanelHasNoTargetAndOnlyToggles)
{
    Row r;
    drag(r.panels[0]->grip(), 5, 60); // no target to resize: a click
    EXPECT_TRUE(r.panels[0]->Collapsed());
    EXPECT_EQ(r.panels[1]->x(), 12);
}

TEST(TcoolPanel, WidthsPersistThroughTheStore)
{
    QMap<QString, int> stored{{"CoolPanel1", 12}, {"CoolPanel2", 150}};
    const TWidthStore store{
        [&](const QString& key, int fallback) { return stored.value(key, fallback); },
        [&](const QString& key, int width) { stored[key] = width; }};
    {
        Row r;
        for (int i = 0; i < 3; ++i)
            r.panels[i]->setInifile(store);
        // Stored at the collapsed width: starts collapsed, expands to its design.
        EXPECT_TRUE(r.panels[0]->Collapsed());
        EXPECT_EQ(r.panels[0]->width(), 12);
        r.panels[0]->toggle();
        EXPECT_EQ(r.panels[0]->width(), 90);
        EXPECT_EQ(r.panels[1]->width(), 150);
        EXPECT_EQ(r.panels[1]->expandedwidth(), 150);
        EXPECT_EQ(r.panels[2]->width(), 207); // nothing stored: as designed
        r.panels[2]->toggle();
    }
    EXPECT_EQ(stored.value("CoolPanel1"), 90);
    EXPECT_EQ(stored.value("CoolPanel2"), 150);
    EXPECT_EQ(stored.value("CoolPanel3"), 12);
    EXPECT_FALSE(stored.contains("CoolPanel4")); // no store, no width
}

TEST(TcoolPanel, FitBandsGivesWayFromTheRightAndTheHandExpandedBandLast)
{
    const std::vector<BandFit> bands = {{90, 12}, {120, 12}, {207, 12}, {100, 12, true}};
    EXPECT_EQ(FitBands(bands, 600), (std::vector<int>{90, 120, 207, 183}));
    // Too narrow: the filling band first, then from the right, never below 12.
    EXPECT_EQ(FitBands(bands, 300), (std::vector<int>{90, 120, 78, 12}));
    EXPECT_EQ(FitBands(bands, 100), (std::vector<int>{64, 12, 12, 12}));
    EXPECT_EQ(FitBands(bands, 10), (std::vector<int>{12, 12, 12, 12}));
    // The band expanded by hand last gives way after the others.
    std::vector<BandFit> clicked = bands;
    clicked[2].priority = 2;
    clicked[0].priority = 1;
    EXPECT_EQ(FitBands(clicked, 300), (std::vector<int>{69, 12, 207, 12}));
    // Widths no sum can hold are cut to something a row can.
    const std::vector<BandFit> huge = {{2147483647, 12}, {2147483647, 12}, {0, 12, true}};
    for (const int w : FitBands(huge, 500))
        EXPECT_GE(w, 12);
}

TEST(TcoolPanel, AWindowTooNarrowSqueezesBandsOnlyUntilItGrowsAgain)
{
    QMap<QString, int> stored;
    const TWidthStore store{
        [&](const QString& key, int fallback) { return stored.value(key, fallback); },
        [&](const QString& key, int width) { stored[key] = width; }};
    {
        Row r;
        for (int i = 0; i < 3; ++i)
            r.panels[i]->setInifile(store);
        r.row.resize(100, 31);
        TcoolPanel::refitRow(&r.row);
        EXPECT_EQ(r.sum(), 100);
        EXPECT_TRUE(r.panels[2]->Collapsed());      // shown shut...
        EXPECT_EQ(r.panels[2]->wantedWidth(), 207); // ...but not chosen so
        r.row.resize(600, 31);
        TcoolPanel::refitRow(&r.row);
        EXPECT_EQ(r.panels[0]->width(), 90);
        EXPECT_EQ(r.panels[1]->width(), 120);
        EXPECT_EQ(r.panels[2]->width(), 207);

        // A click on a squeezed band opens it; the others give way instead.
        r.row.resize(300, 31);
        TcoolPanel::refitRow(&r.row);
        ASSERT_EQ(r.panels[2]->width(), 78);
        r.panels[1]->toggle(); // shown open: the person shuts it
        EXPECT_EQ(r.panels[1]->width(), 12);
        EXPECT_EQ(r.panels[2]->width(), 186); // the room goes back to the squeezed band
        r.row.resize(100, 31);
        TcoolPanel::refitRow(&r.row);
        QTest::mouseClick(r.panels[2]->grip(), Qt::LeftButton, {}, QPoint(5, 10));
        EXPECT_GT(r.panels[2]->width(), 12);
        EXPECT_EQ(r.sum(), 100);
    }
    EXPECT_EQ(stored.value("CoolPanel1"), 90);
    EXPECT_EQ(stored.value("CoolPanel2"), 12);  // the click
    EXPECT_EQ(stored.value("CoolPanel3"), 207); // never the squeezed width
}

TEST(TcoolPanel, GripCaptionWidensTheCollapsedPanelToShowIt)
{
    QWidget row;
    row.resize(300, 31);
    TcoolPanel panel(&row, 100);
    panel.setGripCaption("Tools");
    EXPECT_EQ(panel.Collapsedwidth(), 12 + panel.fontMetrics().horizontalAdvance("Tools") + 2);
    panel.toggle();
    EXPECT_EQ(panel.width(), panel.Collapsedwidth());
    EXPECT_TRUE(panel.Collapsed());
}

TEST(TLine3D, ShadowThenHighlight)
{
    QWidget parent;
    TLine3D line(&parent);
    EXPECT_EQ(line.size(), QSize(2, 25));
    const QImage img = line.grab().toImage();
    EXPECT_EQ(img.pixel(0, 12), line.palette().color(QPalette::Dark).rgb());
    EXPECT_EQ(img.pixel(1, 12), line.palette().color(QPalette::Light).rgb());
    EXPECT_EQ(img.pixelColor(0, 0), img.pixelColor(0, 24));
}

TEST(TWin97Button, ClickWithoutAGroupNeverStaysDown)
{
    QWidget parent;
    TWin97Button b(&parent);
    parent.show();
    QSignalSpy clicks(&b, &TWin97Button::clicked);
    QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(b.state(), TButtonState::bsDown);
    EXPECT_TRUE(b.sunken());
    QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(clicks.size(), 1);
    EXPECT_FALSE(b.Down());
    EXPECT_EQ(b.state(), TButtonState::bsUp);
    b.setDown(true); // ignored without a group
    EXPECT_FALSE(b.Down());

    // Released outside: no click, back up.
    QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(5, 5));
    QMouseEvent move(QEvent::MouseMove, QPointF(40, 40), b.mapToGlobal(QPointF(40, 40)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&b, &move);
    EXPECT_EQ(b.state(), TButtonState::bsUp);
    QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(40, 40));
    EXPECT_EQ(clicks.size(), 1);
}

TEST(TWin97Button, GroupsActAsRadioButtons)
{
    QWidget parent, other;
    TWin97Button a(&parent), b(&parent), c(&parent), stranger(&other);
    for (TWin97Button* x : {&a, &b, &c, &stranger})
        x->setGroupIndex(1);
    c.setGroupIndex(2);
    a.setDown(true);
    stranger.setDown(true);
    EXPECT_EQ(a.state(), TButtonState::bsExclusive);
    b.click();
    EXPECT_TRUE(b.Down());
    EXPECT_FALSE(a.Down());
    EXPECT_TRUE(stranger.Down()); // another parent is another group
    b.click();                    // held down: only another button releases it
    EXPECT_TRUE(b.Down());
    c.click();
    EXPECT_TRUE(b.Down()); // another group index
    b.setAllowAllUp(true);
    EXPECT_TRUE(a.AllowAllUp());
    b.click();
    EXPECT_FALSE(b.Down());
    a.setDown(true);
    b.setDown(true);
    EXPECT_FALSE(a.Down());
}

TEST(TWin97Button, FlatStyleRisesOnlyUnderThePointerWithJumpUp)
{
    QWidget parent;
    TWin97Button b(&parent);
    parent.show();
    EXPECT_TRUE(b.raised()); // bsWin95 always
    b.setStyle(TButtonStyle::bsWin97);
    EXPECT_FALSE(b.raised());
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), b.mapToGlobal(QPointF(5, 5)));
    QApplication::sendEvent(&b, &enter);
    EXPECT_FALSE(b.raised()); // flat until pressed without JumpUp
    b.setJumpUp(true);
    EXPECT_TRUE(b.raised());
    b.setEnabled(false);
    EXPECT_FALSE(b.raised());
    EXPECT_EQ(b.state(), TButtonState::bsDisabled);
    b.setEnabled(true);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&b, &leave);
    EXPECT_FALSE(b.raised());
}

TEST(TWin97Button, GlyphImagesFollowTheState)
{
    QPixmap strip(64, 16);
    strip.fill(Qt::black);
    {
        QPainter p(&strip);
        const QColor colours[4] = {Qt::red, Qt::green, Qt::blue, Qt::yellow};
        for (int i = 0; i < 4; ++i)
            p.fillRect(i * 16, 0, 16, 16, colours[i]);
    }
    QWidget parent;
    TWin97Button b(&parent);
    b.setGlyph(strip);
    EXPECT_EQ(b.NumGlyphs(), 4);
    EXPECT_EQ(b.currentGlyph().toImage().pixelColor(3, 3), QColor(Qt::red));
    b.setEnabled(false);
    EXPECT_EQ(b.currentGlyph().toImage().pixelColor(3, 3), QColor(Qt::green));
    b.setEnabled(true);
    b.setGroupIndex(3);
    b.setDown(true);
    EXPECT_EQ(b.currentGlyph().toImage().pixelColor(3, 3), QColor(Qt::yellow));

    // One image: disabled is drawn from it, not taken from a missing slot.
    QPixmap one(16, 16);
    one.fill(Qt::red);
    TWin97Button single(&parent);
    single.setGlyph(one);
    single.setEnabled(false);
    EXPECT_NE(single.currentGlyph().toImage().pixelColor(3, 3), QColor(Qt::red));
}

TEST(TWin97Button, DropMenuOpensBelowAndReturnsTheButtonUp)
{
    QWidget parent;
    parent.resize(200, 100);
    TWin97Button b(&parent);
    b.move(20, 10);
    QMenu menu;
    menu.addAction("one");
    b.setDropMenu(&menu);
    b.setPopupMark(true);
    parent.show();
    QSignalSpy clicks(&b, &TWin97Button::clicked);
    QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_TRUE(menu.isVisible());
    EXPECT_EQ(b.state(), TButtonState::bsDown);
    EXPECT_EQ(menu.pos().x(), b.mapToGlobal(QPoint(0, 0)).x());
    EXPECT_GE(menu.pos().y(), b.mapToGlobal(QPoint(0, b.height())).y());
    menu.close();
    EXPECT_EQ(b.state(), TButtonState::bsUp);
    EXPECT_EQ(clicks.size(), 0);

    // The mark: font colour near the lower right corner, face colour elsewhere.
    const QImage img = b.grab().toImage();
    EXPECT_EQ(img.pixelColor(b.width() - 11, b.height() - 8),
              b.palette().color(QPalette::ButtonText));
}

TEST(TWin97Button, AcceleratorClicksAnEnabledButton)
{
    QWidget window;
    TWin97Button b(&window);
    b.setCaption("&Reread");
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QSignalSpy clicks(&b, &TWin97Button::clicked);
    QTest::keyClick(&window, Qt::Key_R, Qt::AltModifier);
    EXPECT_EQ(clicks.size(), 1);
    b.setEnabled(false);
    QTest::keyClick(&window, Qt::Key_R, Qt::AltModifier);
    EXPECT_EQ(clicks.size(), 1);
}

namespace {

struct SplitRig {
    QWidget window;
    QWidget* left;
    QWidget* right;
    TWinSplit* split;
    SplitRig()
    {
        window.resize(800, 300);
        left = new QWidget(&window);
        right = new QWidget(&window);
        split = new TWinSplit(&window);
        left->setGeometry(0, 0, 400, 300);
        split->setGeometry(400, 0, 3, 300);
        right->setGeometry(403, 0, 397, 300);
        split->setTargetControl(right, TAlign::alRight);
        split->setMinTargetSize(160);
        split->setMaxTargetSize(700);
        window.show();
    }
    void move(int x, Qt::MouseButtons buttons = Qt::LeftButton)
    {
        QMouseEvent e(QEvent::MouseMove, QPointF(x, 10), split->mapToGlobal(QPointF(x, 10)),
                      Qt::NoButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(split, &e);
    }
};

} // namespace

TEST(TWinSplit, DragStopsAtTheMinimumAndSetsTheTargetOnRelease)
{
    SplitRig r;
    QSignalSpy begun(r.split, &TWinSplit::OnBeginSplit);
    QSignalSpy ended(r.split, &TWinSplit::OnEndSplit);
    QTest::mousePress(r.split, Qt::LeftButton, {}, QPoint(1, 10));
    ASSERT_TRUE(r.split->dragging());
    EXPECT_EQ(begun.size(), 1);
    ASSERT_NE(r.split->dragLine(), nullptr);
    EXPECT_TRUE(r.split->dragLine()->isVisible());
    r.move(-50);
    EXPECT_EQ(r.split->dragLine()->x(), 350);
    EXPECT_EQ(r.right->width(), 397); // only the line moves while dragging
    r.move(300);                      // 397 - 300 < 160: the line stops at the limit
    EXPECT_EQ(r.split->offset(), 397 - 160);
    EXPECT_EQ(r.split->dragLine()->x(), 400 + 237);
    QTest::mouseRelease(r.split, Qt::LeftButton, {}, QPoint(300, 10));
    EXPECT_FALSE(r.split->dragging());
    EXPECT_FALSE(r.split->dragLine()->isVisible());
    EXPECT_EQ(r.right->width(), 160);
    EXPECT_EQ(ended.size(), 1);
    EXPECT_EQ(ended.first().first().value<TWinSplit*>(), r.split);
}

TEST(TWinSplit, OnlyAPlainLeftPressStartsASplit)
{
    SplitRig r;
    QTest::mousePress(r.split, Qt::RightButton, {}, QPoint(1, 10));
    EXPECT_FALSE(r.split->dragging());
    for (Qt::KeyboardModifier m : {Qt::ShiftModifier, Qt::ControlModifier, Qt::AltModifier}) {
        QTest::mousePress(r.split, Qt::LeftButton, m, QPoint(1, 10));
        EXPECT_FALSE(r.split->dragging());
        QTest::mouseRelease(r.split, Qt::LeftButton, m, QPoint(1, 10));
    }
    EXPECT_EQ(r.right->width(), 397);
}

TEST(TWinSplit, LimitsAndTargets)
{
    TWinSplit s;
    EXPECT_EQ(s.size(), QSize(3, 100));
    s.setMinTargetSize(160);
    s.setMaxTargetSize(100); // below the minimum: the minimum
    EXPECT_EQ(s.MaxTargetSize(), 160u);
    s.setMaxTargetSize(0); // no maximum
    EXPECT_EQ(s.MaxTargetSize(), 0u);
    s.setMaxTargetSize(500);
    s.setMinTargetSize(600); // above the maximum: the maximum
    EXPECT_EQ(s.MinTargetSize(), 500u);

    QWidget w;
    s.setTargetControl(&w, TAlign::alClient);
    EXPECT_EQ(s.TargetControl(), nullptr);
    EXPECT_EQ(s.align(), TAlign::alNone);
    s.setTargetControl(&s, TAlign::alLeft);
    EXPECT_EQ(s.TargetControl(), nullptr);
    s.setTargetControl(&w, TAlign::alTop);
    EXPECT_EQ(s.align(), TAlign::alTop);
    EXPECT_EQ(s.cursor().shape(), Qt::SplitVCursor);
}

TEST(TWinSplit, AMaximumOfZeroNeverLimitsAndATargetThatGoesEndsTheSplit)
{
    SplitRig r;
    r.split->setMaxTargetSize(0);
    QTest::mousePress(r.split, Qt::LeftButton, {}, QPoint(1, 10));
    r.move(-390);
    QTest::mouseRelease(r.split, Qt::LeftButton, {}, QPoint(-390, 10));
    EXPECT_EQ(r.right->width(), 397 + 390);

    QSignalSpy ended(r.split, &TWinSplit::OnEndSplit);
    QTest::mousePress(r.split, Qt::LeftButton, {}, QPoint(1, 10));
    delete r.right;
    EXPECT_FALSE(r.split->dragging());
    EXPECT_EQ(r.split->TargetControl(), nullptr);
    r.move(-20);
    QTest::mouseRelease(r.split, Qt::LeftButton, {}, QPoint(-20, 10));
    EXPECT_EQ(ended.size(), 0);
}

} // namespace dovex::test
