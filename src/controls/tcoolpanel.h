#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>
#include <vector>

namespace dovex {

class TcoolPanel;

// One band of a row as the fitting sees it.
struct BandFit {
    int wanted = 0;     // the width the person chose (the collapsed width when collapsed)
    int collapsed = 12; // never narrower
    bool fills = false; // takes what the others leave
    int priority = 0;   // expanded by hand later: gives way later (0: never)
};

// The widths the bands of a row rowWidth wide show: each its wanted width
// while the row has room; when it has not, the bands give way one after the
// other from the right (the one expanded by hand last gives way last), none
// below its collapsed width; the filling band takes the rest. A band the
// window squeezed so returns to its wanted width when the row grows again.
std::vector<int> FitBands(const std::vector<BandFit>& bands, int rowWidth);

// Where a panel keeps its width between runs: read when the store is given,
// written when the panel goes. The key is the panel's object name.
struct TWidthStore {
    std::function<int(const QString& key, int fallback)> read;
    std::function<void(const QString& key, int width)> write;
};

// The grip at a panel's left edge: a click toggles the panel, a drag
// resizes the panel's left neighbour (its target).
class TNewGraphicControl : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 12;
    explicit TNewGraphicControl(TcoolPanel* panel);
    ~TNewGraphicControl() override;

    bool dragging() const { return m_dragging; }

signals:
    void OnCollapse();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void endDrag();

    TcoolPanel* m_panel;
    bool m_pressed = false;
    bool m_dragging = false;
    int m_downX = 0; // where the button went down, in the grip
    int m_downRowX = 0;
};

// A collapsible toolbar panel. Panels that align left stand side by side in
// their parent (the row) in the order they were made; a panel that fills
// the row takes whatever width the others leave.
class TcoolPanel : public QWidget {
    Q_OBJECT
public:
    explicit TcoolPanel(QWidget* row, int width = 100);
    ~TcoolPanel() override;

    TcoolPanel* Targetcontrol() const { return m_target; }
    void setTargetcontrol(TcoolPanel* target) { m_target = target; }
    bool CanCollapse() const { return m_canCollapse; }
    void setCanCollapse(bool on) { m_canCollapse = on; }
    bool Collapsed() const { return m_collapsed; }
    void setCollapsed(bool on);
    int Collapsedwidth() const { return m_collapsedWidth; }
    void setCollapsedwidth(int width);
    int expandedwidth() const { return m_expandedWidth; }
    void setExpandedwidth(int width) { m_expandedWidth = width; }
    QString CoolHint() const { return m_hint; }
    void setCoolHint(const QString& hint);
    QString GripCaption() const { return m_caption; }
    void setGripCaption(const QString& caption);
    // Gives the panel its store and takes the stored width (a width at or
    // below the collapsed width starts the panel collapsed, expanding to the
    // width it had). An empty store: the width does not persist.
    void setInifile(const TWidthStore& store);
    // Writes the chosen width to the store now (it is also written on
    // destruction): the one the person gave it, not what a narrow window
    // leaves it.
    void storeWidth();
    // The width chosen by a grip click or drag, the store or the design.
    int wantedWidth() const;

    // Not left-aligned: the grip neither toggles nor shows the resize cursor.
    bool alignedLeft() const { return m_alignLeft; }
    void setAlignedLeft(bool on);
    // Takes the width the other panels of the row leave.
    bool fillsRow() const { return m_fill; }
    void setFillsRow(bool on);

    // Chooses the width, with the collapsed rule: at or below the collapsed
    // width it is exactly that and the panel counts as collapsed.
    void setPanelWidth(int width);
    // Click on the grip: collapse, or expand (taking room from the other
    // bands first when the row is full).
    void toggle();

    TNewGraphicControl* grip() const { return m_grip; }

    // Places the row's panels side by side at their present widths, the
    // filling one taking the rest.
    static void layoutRow(QWidget* row);
    // Gives every panel of the row the width FitBands finds for the row's
    // width and the chosen widths, and places them.
    static void refitRow(QWidget* row);
    static QList<TcoolPanel*> rowPanels(QWidget* row);

signals:
    void widthChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    friend class TNewGraphicControl;
    // The width shown, which the row may squeeze below the chosen one.
    void applyWidth(int width);
    // The chosen width, without showing it yet.
    void choose(int width);

    TNewGraphicControl* m_grip;
    QPointer<TcoolPanel> m_target;
    bool m_canCollapse = true;
    bool m_collapsed = false;
    bool m_alignLeft = true;
    bool m_fill = false;
    int m_collapsedWidth = 12;
    int m_expandedWidth;
    bool m_wantCollapsed = false; // the chosen state; m_collapsed is the shown one
    int m_priority = 0;           // when it was last expanded by a click
    QString m_hint;
    QString m_caption;
    TWidthStore m_store;
};

// The separator between button groups: a shadow line and a highlight line.
class TLine3D : public QWidget {
    Q_OBJECT
public:
    explicit TLine3D(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace dovex
