#pragma once

#include <QPointer>
#include <QString>

#include <array>
#include <functional>
#include <optional>

class QKeyEvent;
class QLabel;
class QWidget;

namespace dovex {

class TForm8;
class TForm11;
class TPanelList;
enum class PanelKeyAction;

// The keys of the two panel lists as the key policy (panels/keypolicy.h)
// decides them: marking, the Select and Deselect Files dialogs, Seek over
// the selection line, and what goes to the command line, which is the
// window's, as are opening an entry and running a command.
class PanelKeys {
public:
    struct Host {
        std::function<QString()> commandText;
        std::function<void(const QString& text)> setCommand;
        std::function<void(const QString& text)> appendCommand;
        std::function<void()> backspace;
        std::function<void(int panel)> runCommandLine;
        std::function<void(int panel)> open;        // the cursor entry opened
        std::function<void(int panel)> lineChanged; // the selection line written again
        std::function<int()> activePanel;
    };

    // The dialogs are children of owner, made on first use; lines are the
    // panels' selection lines, over which Seek shows.
    PanelKeys(QWidget* owner, std::array<TPanelList*, 2> lists, std::array<QLabel*, 2> lines,
              Host host);

    // A key pressed on a panel's list; false: the list handles it itself.
    bool key(int panel, QKeyEvent* event);
    // The one-line dialog of the mask questions (also the filter's and the
    // split size's); nullopt when cancelled.
    std::optional<QString> ask(const QString& caption, const QString& text);

private:
    void apply(int panel, PanelKeyAction action, const QString& text);
    void markByMask(int panel, bool marking);
    void openSeek(int panel);

    QWidget* m_owner;
    std::array<TPanelList*, 2> m_lists;
    std::array<QLabel*, 2> m_lines;
    Host m_host;
    bool m_symbolFlag = false;
    QPointer<TForm8> m_ask;
    QPointer<TForm11> m_seek;
};

} // namespace dovex
