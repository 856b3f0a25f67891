#pragma once

#include "launch/custombuttons.h"

#include <QObject>
#include <QPoint>
#include <QPointer>

#include <array>
#include <functional>

class QAction;
class QMenu;
class QMimeData;
class QWidget;

namespace dovex {

class Prompter;
class TForm7;
class TLine3D;
class TWin97Button;

// What the bar needs from the main window.
struct ButtonBarHost {
    std::function<bool()> activeInArchive;
    std::function<QString()> activeDirectory; // drive-letter path
    std::function<QString()> cursorName;      // empty: no cursor entry
    std::function<void(const QString& dosDir)> openInActivePanel;
    std::function<Prompter&()> prompter;
    std::function<bool()> settingsWritable;
    // The host file behind a button's path (its Directory may be the
    // program directory, which need not lie on a drive); empty when none.
    std::function<QString(const QString& path)> hostPath;
};

// The 40 custom buttons ("Custom1".."Custom40") and their separator lines
// ("Tussenln1".."Tussenln40") on the "Custom Buttons" band, their mode menu,
// clicks, link menus and drops.
class CustomButtonBar : public QObject {
    Q_OBJECT
public:
    enum class Mode { Normal, Drag, Config };
    // The drags the bar takes: an entry of a panel, or a custom button.
    static inline const QString kPanelMime = QStringLiteral("application/x-dovex-panel-entry");
    static inline const QString kButtonMime = QStringLiteral("application/x-dovex-custom-button");

    CustomButtonBar(QWidget* bar, ButtonBarHost host);
    ~CustomButtonBar() override;

    // Build buttons: reads the 40 sections and lays out the bar.
    void Build();
    void RunButton(int slot);
    void EditButton(int slot);
    void CreateButtonFromEntry(int slot);
    void DeleteButton(int slot);
    // A drag of the window released over target (the bar, a separator or a
    // button) at x in target's coordinates.
    void DropOnBar(QWidget* target, int x, const QMimeData* data);
    // Files dropped from another program on the toolbar strip, x in the
    // bar's coordinates: Drag mode makes the first file a button, Normal
    // mode runs the shown button under x with it, Config mode ignores it.
    // True when a button was made or run.
    bool DropFiles(int x, const QStringList& dosPaths);
    // The slot such a drop at x would use; 0 for none (and in Config mode).
    int DropSlotAt(int x) const;
    void SetMode(Mode mode);
    Mode mode() const { return m_mode; }

    // Set by a drop just before a button runs; replaces its Parameter once.
    QString PendingDropFile;

    TWin97Button* button(int slot) const { return m_buttons[size_t(slot - 1)]; }
    TLine3D* separator(int slot) const { return m_lines[size_t(slot - 1)]; }
    const CustomButton& slot(int n) const { return m_slots[size_t(n - 1)]; }
    QMenu* modeMenu() const { return m_modeMenu; }
    QMenu* linkMenu() const { return m_linkMenu; }
    TForm7* configDialog();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fillLinkMenu(int slot);
    void openLink(const QString& linkPath);
    void startButtonDrag(int slot);
    void applyGlyph(int slot);
    // Runs a settings change; a failed write is reported, never half done.
    void change(const std::function<void()>& write);
    void openDirectory(const QString& dosDir);

    QWidget* m_bar;
    ButtonBarHost m_host;
    std::array<TWin97Button*, kButtonSlots> m_buttons{};
    std::array<TLine3D*, kButtonSlots> m_lines{};
    ButtonSlots m_slots;
    ButtonLayout m_layout;
    Mode m_mode = Mode::Normal;
    QMenu* m_modeMenu;
    QMenu* m_linkMenu;
    QAction* m_modeItems[3];
    QPointer<TForm7> m_form7;
    int m_pressSlot = 0;
    QPoint m_pressAt;
};

} // namespace dovex
