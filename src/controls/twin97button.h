#pragma once

#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include <QMenu>

namespace dovex {

enum class TButtonStyle { bsWin95, bsWin97 };
enum class TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
// The drawing states; the numbers are the glyph's image indexes.
enum class TButtonState { bsUp = 0, bsDisabled = 1, bsDown = 2, bsExclusive = 3 };

// A flat command button. bsWin95 is always raised; bsWin97 is flat and,
// with JumpUp, rises while the pointer is over it. Buttons of one parent
// with the same non-zero GroupIndex behave as radio buttons.
class TWin97Button : public QWidget {
    Q_OBJECT
public:
    explicit TWin97Button(QWidget* parent = nullptr);
    ~TWin97Button() override;

    TButtonStyle Style() const { return m_style; }
    void setStyle(TButtonStyle style);
    bool JumpUp() const { return m_jumpUp; }
    void setJumpUp(bool on);
    QPixmap Glyph() const { return m_glyph; }
    void setGlyph(const QPixmap& glyph);
    int NumGlyphs() const { return m_numGlyphs; }
    void setNumGlyphs(int count);
    TButtonLayout Layout() const { return m_layout; }
    void setLayout(TButtonLayout layout);
    int Margin() const { return m_margin; }
    void setMargin(int margin);
    int Spacing() const { return m_spacing; }
    void setSpacing(int spacing);
    int GroupIndex() const { return m_groupIndex; }
    void setGroupIndex(int index);
    bool Down() const { return m_down; }
    void setDown(bool down);
    bool AllowAllUp() const { return m_allowAllUp; }
    void setAllowAllUp(bool on);
    QMenu* DropMenu() const { return m_dropMenu; }
    void setDropMenu(QMenu* menu);
    bool PopupMark() const { return m_popupMark; }
    void setPopupMark(bool on);
    QString Caption() const { return m_caption; }
    void setCaption(const QString& caption);

    // What the button looks like now.
    TButtonState state() const { return m_state; }
    bool raised() const; // a raised edge is drawn
    bool sunken() const; // a sunken edge is drawn
    // The image of the glyph drawn in the current state.
    QPixmap currentGlyph() const;
    bool menuOpen() const;

    // Clicks the button as the user would (the accelerator does this).
    void click();

    QSize sizeHint() const override { return QSize(25, 25); }

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void updateState();
    void updateShortcut();
    QList<TWin97Button*> groupMates() const;

    TButtonStyle m_style = TButtonStyle::bsWin95;
    bool m_jumpUp = false;
    QPixmap m_glyph;
    int m_numGlyphs = 1;
    TButtonLayout m_layout = TButtonLayout::blGlyphLeft;
    int m_margin = -1;
    int m_spacing = 4;
    int m_groupIndex = 0;
    bool m_down = false;
    bool m_allowAllUp = false;
    QPointer<QMenu> m_dropMenu;
    bool m_popupMark = false;
    QString m_caption;

    TButtonState m_state = TButtonState::bsUp;
    bool m_mouseInside = false;
    bool m_tracking = false; // the left button went down on the button
    bool m_menuShown = false;
    qint64 m_menuClosedAt = 0;
    int m_shortcutId = 0;
};

} // namespace dovex
