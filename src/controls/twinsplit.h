#pragma once

#include <QImage>
#include <QPointer>
#include <QWidget>

namespace dovex {

// How a control stands in its parent: the splitter needs to know which
// side of it its target is on.
enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

class TSplitLine;

// A thin bar the user drags to resize one neighbouring control, its target.
// While dragging only an inverted line moves; the target changes size when
// the button is released.
class TWinSplit : public QWidget {
    Q_OBJECT
public:
    explicit TWinSplit(QWidget* parent = nullptr);
    ~TWinSplit() override;

    QWidget* TargetControl() const { return m_target; }
    // The target and the side it stands on. No target, the splitter itself,
    // or a target aligned none or client clears the target.
    void setTargetControl(QWidget* target, TAlign targetAlign);
    TAlign align() const { return m_align; }
    unsigned MinTargetSize() const { return m_min; }
    void setMinTargetSize(unsigned size);
    unsigned MaxTargetSize() const { return m_max; }
    void setMaxTargetSize(unsigned size);
    bool dragging() const { return m_dragging; }
    // The drag line's position along the axis, in the bar's coordinates.
    int offset() const { return m_vertical ? m_offset.x() : m_offset.y(); }
    QWidget* dragLine() const;

signals:
    void OnBeginSplit(TWinSplit* sender);
    void OnMoveSplit(TWinSplit* sender);
    void OnEndSplit(TWinSplit* sender);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // The target's size with the drag line at the offset; clamped tells
    // whether a limit was reached.
    int newTargetSize(bool* clamped) const;
    void drawLine();
    void endSplit(bool apply);

    QPointer<QWidget> m_target;
    TAlign m_align = TAlign::alNone;
    TAlign m_targetAlign = TAlign::alNone;
    unsigned m_min = 0;
    unsigned m_max = 0;
    bool m_vertical = false; // aligned left or right: moves horizontally
    bool m_dragging = false;
    QPoint m_offset;
    TSplitLine* m_line = nullptr;
};

} // namespace dovex
