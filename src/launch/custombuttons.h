#pragma once

#include <QString>

#include <array>
#include <functional>

namespace dovex {

inline constexpr int kButtonSlots = 40;

// One slot of the custom button bar, as its "Button<n>" section holds it.
struct CustomButton {
    QString Text;
    QString Command;
    QString Parameter;
    QString Directory;
    QString Action;
    QString Icon;
    bool Popup = false;
    bool defined = false; // the section has a "Command" key
};

// Slot n is element n - 1.
using ButtonSlots = std::array<CustomButton, kButtonSlots>;

// Where Build buttons puts the 40 buttons and their separator lines, in bar
// coordinates. Slot n is element n - 1.
struct ButtonLayout {
    std::array<int, kButtonSlots> left{};
    std::array<bool, kButtonSlots> visible{};
    std::array<int, kButtonSlots> separatorLeft{};
    std::array<bool, kButtonSlots> separatorVisible{};
};

// Defined buttons stand 25 pixels apart from left 14; each undefined slot
// between two defined ones leaves 8 pixels and a separator line 5 pixels
// before the next defined button.
ButtonLayout layoutButtons(const ButtonSlots& buttons);

// "Button" + slot, the slot's section in "Dovex.Ini".
QString buttonSection(int slot);

// Reads the 40 sections in one reading of the file. A defined slot with an
// empty Icon gets Directory + Command as its icon, written back to its
// section when writeBack is set (as building the bar does). Throws
// SettingsWriteError when that write fails.
ButtonSlots readButtons(bool writeBack);

// The seven keys of a slot, as the Config Speedbar dialog writes them on OK.
void writeButton(int slot, const CustomButton& button);

// Create button from entry: the entry name in panel directory dir, opened
// with "open"; its text is the name without extension, capitalised when
// written in capitals. Popup is left as the section has it.
void createButtonFromEntry(int slot, const QString& dir, const QString& name);
// A file dropped from another program (a drive-letter path): the same
// section, but its text is the bare name without extension and Popup is off.
void createButtonFromFile(int slot, const QString& dosPath);

// Moves slot from's values (all but Popup) to slot to and erases slot from,
// in one write of the file. Nothing when from == to.
void moveButton(int from, int to);

// Erases the slot's section.
void deleteButton(int slot);

// The slot a drop at bar coordinate x lands on: the first button (shown or
// not) that x lies strictly inside, else slot 40 right of x = 11, else 1.
int dropTargetSlot(const ButtonLayout& layout, int x);

// The slot's Directory with a "\" to append the Command to (none after a
// root such as "C:\" or a Directory of at most 3 characters).
QString folderBase(const QString& directory);

// What a click on a button does.
struct ButtonRun {
    enum class Kind {
        Nothing,
        OpenDirectory, // show directory in the active panel
        OpenNetwork,   // the desktop's network location
        Execute,       // start file through the shell-execute counterpart
    };
    Kind kind = Kind::Nothing;
    QString directory;        // OpenDirectory: drive-letter path
    QString verb;             // Execute: the Action, empty for the default
    QString file;             // Execute: the Command
    QString parameters;       // Execute: a text split into words, never given to a shell
    QString workingDirectory; // Execute: the Directory
};

// The environment a click needs: the link target of a ".lnk" (the program's
// byte scan), the host file behind a drive-letter or program path, and the
// desktop's trash folder.
struct ButtonContext {
    std::function<QString(const QString& linkPath)> readLinkTarget;
    std::function<QString(const QString& path)> hostPath; // empty: no such file
    std::function<QString()> trashDirectory;              // drive-letter path or empty
};

// Run button for one slot outside Config mode. pendingParameter, when not
// blank, replaces the Parameter as one quoted word.
ButtonRun planButtonRun(const CustomButton& button, const QString& pendingParameter,
                        const ButtonContext& context);

// text in double quotes that a POSIX word split reads back as exactly text.
QString quotedWord(const QString& text);

// The desktop's trash folder ($XDG_DATA_HOME/Trash/files) as a drive-letter
// path; empty when it does not exist or lies on no drive.
QString desktopTrashDirectory();

// The host file behind a button's path; empty when none. A path on a
// drive's root may read "C:NetWork.lnk". The program directory (programDir,
// a host path, named programDirName) need not lie on a drive: its own files
// are still found there, named with "/" after it (older settings: "\").
QString buttonHostPath(const QString& path, const QString& programDir,
                       const QString& programDirName);

} // namespace dovex
