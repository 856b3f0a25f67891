#pragma once

#include "panels/panelentry.h"

#include <QWidget>

#include <functional>

class QLineEdit;

namespace dovex {

// The "Seek" popup: a small always-on-top window with one edit field. Each
// typed character extends the search text; the first entry whose name begins
// with it (upper-cased) becomes the cursor, and a character that no name
// continues is refused. Enter, Escape, Up, Down and F10 close it; leaving it
// empties the text and closes it.
class TForm11 : public QWidget {
    Q_OBJECT
public:
    explicit TForm11(QWidget* parent = nullptr);

    // The entries searched: the active panel's, read at every keystroke (the
    // pointer must stay valid while the popup is shown).
    void setEntries(const PanelEntries* entries) { m_entries = entries; }
    // Also called with every new cursor index, besides the signal.
    void setCursorCallback(std::function<void(int)> callback) { m_callback = std::move(callback); }

    QLineEdit* edit() const { return m_edit; }

    // Shows the popup centred over the selection line (global rectangle),
    // with its top at top (global), the caret at the text's end.
    void showOver(const QRect& selectionLine, int top);

signals:
    void cursorChanged(int index);
    void closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    bool typed(const QString& character);
    void closePopup();

    QLineEdit* m_edit;
    const PanelEntries* m_entries = nullptr;
    std::function<void(int)> m_callback;
    bool m_closing = false;
};

} // namespace dovex
