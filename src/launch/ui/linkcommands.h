#pragma once

#include "launch/shelllink.h"
#include "panels/filepanel.h"

#include <QString>

#include <functional>
#include <optional>

class QMenu;
class QWidget;

namespace dovex {

class Prompter;

// Create Link Shortcut and the special-folder menus. The window reads the
// panels again and moves its focus; these commands decide and ask.
class LinkCommands {
public:
    LinkCommands(QWidget* owner, Prompter& prompter) : m_owner(owner), m_prompter(prompter) {}

    // The special-folder items in menu order; open receives the folder's
    // directory when an item is chosen (Recent documents have no folder
    // on this desktop: disabled).
    void fillSpecialFolderMenu(QMenu* menu, std::function<void(const QString& dir)> open);
    // Such a menu as the context menu of widget.
    void addSpecialFolderPopup(QWidget* widget, std::function<void(const QString& dir)> open);

    // Asks where a link to the entry under cursor goes (the other panel's
    // directory offered) and makes it. The name of the link made (empty
    // when none was) for the other panel's cursor; nullopt when there was
    // nothing to link (no entry, "..", a member of an archive) or the
    // question was cancelled.
    std::optional<QString> createLinkShortcut(const FilePanel& from, int cursor,
                                              const FilePanel& other);

private:
    QWidget* m_owner;
    Prompter& m_prompter;
    TShellLink m_shellLink; // its properties last from one use to the next
};

} // namespace dovex
