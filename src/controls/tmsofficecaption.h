#pragma once

#include <QColor>
#include <QFont>
#include <QList>
#include <QWidget>

#include <memory>
#include <optional>

class QMainWindow;

namespace dovex {

enum class TFontKind { fkCustom, fkSystem, fkSystemI, fkSystemB, fkSystemBI, fkAutoHeight };
enum class TGradEnabled { geAlways, geNever, geWhenActive };

class TMSOfficeCaption;

// One text part of the caption strip. Colours left unset follow the
// system's caption text colours.
class TCompanyText {
public:
    explicit TCompanyText(TMSOfficeCaption* owner) : m_owner(owner) {}
    virtual ~TCompanyText() = default;
    TCompanyText(const TCompanyText&) = delete;
    TCompanyText& operator=(const TCompanyText&) = delete;

    virtual QString Caption() const { return m_caption; }
    virtual void setCaption(const QString& text);
    QColor ColorActive() const;
    void setColorActive(const QColor& colour);
    QColor ColorInactive() const;
    void setColorInactive(const QColor& colour);
    QFont Font() const { return m_font; }
    // Switches the kind to fkCustom unless it is fkAutoHeight.
    void setFont(const QFont& font);
    TFontKind FontKind() const { return m_kind; }
    void setFontKind(TFontKind kind);
    bool Visible() const { return m_visible; }
    void setVisible(bool visible);

    // Makes Font follow the system caption font as the kind says; called
    // again whenever the system's fonts or colours change.
    void applyFontKind(const QFont& systemFont);

protected:
    void changed();
    TMSOfficeCaption* m_owner;

private:
    QString m_caption;
    std::optional<QColor> m_active;
    std::optional<QColor> m_inactive;
    QFont m_font;
    QFont m_customFont; // as the user set it, before an automatic height
    TFontKind m_kind = TFontKind::fkSystem;
    bool m_visible = true;
};

class TAppNameText : public TCompanyText {
public:
    using TCompanyText::TCompanyText;
};

// The caption part: its text is the owning window's title.
class TCaptionText : public TCompanyText {
public:
    using TCompanyText::TCompanyText;
    QString Caption() const override;
    void setCaption(const QString& text) override;
};

// A gradient band: [left, right) in pixels and its colour.
struct GradientBand {
    int left;
    int right;
    QRgb colour;
};

// a * b / c with a 64-bit product, rounded to the nearest (halves away
// from zero); -1 when c is 0.
int MulDiv(int a, int b, int c);
// The n bands of a gradient over [left, left + width) from start to end:
// band i spans left + w*i/n to left + w*(i+1)/n, its channels
// start + (end - start)*i/(n-1), each rounded as MulDiv does. One band has
// the start colour.
QList<GradientBand> gradientBands(int left, int width, int numColors, QRgb start, QRgb end);
// The number of bands a request gives: at most 256; 0 or less keeps the
// current value. message gets the complaint, empty when there is none.
int clampNumColors(int requested, int current, QString* message = nullptr);

// Which parts are drawn in `available` pixels: all three when they fit,
// else the application name and the caption, else the caption alone.
struct CaptionFit {
    bool company = false;
    bool appName = false;
};
CaptionFit fitCaptionParts(int available, int companyWidth, int appNameWidth, int captionWidth);

// A header strip painted as a title bar: a horizontal gradient from Color to
// the system's caption colour with a company text, an application name and
// the window's caption. The window manager owns the real title bar; this
// strip sits at the top of the window that owns it and follows that
// window's title and activation.
class TMSOfficeCaption : public QWidget {
    Q_OBJECT
public:
    explicit TMSOfficeCaption(QWidget* owner);
    ~TMSOfficeCaption() override;

    // A caption for window on a borderless strip ("CaptionStrip") under its
    // menu bar, as the window manager draws the real title bar.
    static TMSOfficeCaption* addStrip(QMainWindow* window);

    TCompanyText& CompanyText() { return *m_company; }
    TAppNameText& AppNameText() { return *m_appName; }
    TCaptionText& CaptionText() { return *m_caption; }
    QColor Color() const { return m_color; }
    void setColor(const QColor& colour);
    TGradEnabled Enabled() const { return m_enabled; }
    void setEnabled(TGradEnabled enabled);
    int NumColors() const { return m_numColors; }
    void setNumColors(int n);

    // Whether the strip is drawn as the active window's; the owning
    // window's activation sets it.
    bool isDrawnActive() const { return m_active; }
    void setDrawnActive(bool active);
    bool gradientShown() const;
    // The parts drawn at the current width (after fitting).
    CaptionFit currentFit() const;

    // The system's caption look.
    static QFont systemCaptionFont();
    QColor captionColour(bool active) const;
    QColor captionTextColour(bool active) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return QSize(0, sizeHint().height()); }

    // A property changed: lay out and paint again.
    void invalidate();

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QRect textRect() const;
    int partWidth(const TCompanyText& part) const;
    void reapplyFonts();

    QWidget* m_owner;
    std::unique_ptr<TCompanyText> m_company;
    std::unique_ptr<TAppNameText> m_appName;
    std::unique_ptr<TCaptionText> m_caption;
    QColor m_color = Qt::black;
    TGradEnabled m_enabled = TGradEnabled::geAlways;
    int m_numColors = 64;
    bool m_active = false;
};

} // namespace dovex
