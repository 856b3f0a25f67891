#pragma once

#include <QString>

#include <array>
#include <functional>

class QLabel;
class QWidget;

namespace dovex {

class TDirOut;
class TPanelList;

// The left panel's tree mode: the directory tree of the left panel's drive
// lies over the left list, and choosing a directory in it lists that
// directory in the right panel. The window reads the panels and says which
// one has the keys.
class TreeMode {
public:
    struct Host {
        // The panel read again as the active one; false once the program stopped.
        std::function<bool(int panel)> read;
        std::function<void(int panel)> setActive;       // the keys' panel, nothing read
        std::function<void(const QString& dir)> prompt; // the command line's prompt
    };

    // The tree is made hidden on parent, over lists[0]; caption and
    // selectionLine are the left panel's.
    TreeMode(QWidget* parent, std::array<TPanelList*, 2> lists, QLabel* caption,
             QLabel* selectionLine, int& busy, Host host);
    // The tree outlives this (it is a child of parent): it reports no more.
    ~TreeMode();
    TreeMode(const TreeMode&) = delete;
    TreeMode& operator=(const TreeMode&) = delete;

    TDirOut* tree() const { return m_tree; }
    bool shown() const;
    // The tree in place of the left list, read for the left panel's drive.
    void show();
    // The left list back; false when the tree was not shown.
    bool hide();
    // The tree follows the left panel to another drive (the same drive is
    // not read again: a whole drive is slow) and the caption to its path.
    void follow();

private:
    void readDrive(QChar letter);
    void changed();

    std::array<TPanelList*, 2> m_lists;
    QLabel* m_caption;
    QLabel* m_selectionLine;
    int& m_busy;
    Host m_host;
    TDirOut* m_tree;
};

} // namespace dovex
