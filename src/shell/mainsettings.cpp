#include "shell/mainsettings.h"

#include "platform/settingsfile.h"

#include <algorithm>

namespace dovex {

namespace {

// Sections and keys, declared once.
const QString kPanels = QStringLiteral("Panels");
const QString kSettings = QStringLiteral("Settings");
const QString kFont = QStringLiteral("Font");
const QString kSetting = QStringLiteral("Setting");
const QString kToolBars = QStringLiteral("ToolBars");

bool isTrueWord(const QString& text)
{
    return text == QLatin1String("True");
}

QString trueWord(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

void writeDefaultButton(SettingsSession& file, const QString& section, const QString& link,
                        const QString& text, const QString& programDir)
{
    if (file.readString(section, QStringLiteral("Command"), QStringLiteral("nee")) !=
        QLatin1String("nee"))
        return;
    file.writeString(section, QStringLiteral("Command"), link);
    file.writeString(section, QStringLiteral("Parameter"), QString());
    file.writeString(section, QStringLiteral("Directory"), programDir);
    file.writeString(section, QStringLiteral("Action"), QString());
    // A program directory on no drive is a host path: its link is joined
    // with "/" there, so that the icon path holds one kind of separator.
    const QChar separator = programDir.startsWith('/') ? QChar('/') : QChar('\\');
    file.writeString(section, QStringLiteral("Icon"), programDir + separator + link);
    file.writeString(section, QStringLiteral("Text"), text);
}

} // namespace

MainSettings readCreationSettings(const QRect& currentBounds)
{
    SettingsSession file;
    MainSettings s;
    s.unreadable = file.unreadableReason();
    s.dir1 = file.readString(kPanels, QStringLiteral("Dir1"), s.dir1);
    s.dir2 = file.readString(kPanels, QStringLiteral("Dir2"), s.dir2);
    s.characters = file.readDecimal(kPanels, QStringLiteral("Characters"), 16);
    s.useIcons = file.readDecimal(kSettings, QStringLiteral("UseIcons"), 2);
    s.statusBar = file.readBool(kSettings, QStringLiteral("StatusBar"), true);
    s.showCopySpeed = file.readBool(kSettings, QStringLiteral("ShowcopySpeed"), false);
    s.full2 = file.readBool(kSettings, QStringLiteral("Full2"), true);
    s.speedbar = file.readBool(kSettings, QStringLiteral("Speedbar"), true);
    s.showIntro = file.readBool(kSettings, QStringLiteral("ShowIntro"), true);
    s.exOnEnter = file.readBool(kSettings, QStringLiteral("ExOnEnter"), false);
    s.showModeNormal = file.readString(kPanels, QStringLiteral("ShowMode"),
                                       QStringLiteral("FileType")) == QLatin1String("Normal");
    s.sortMeth1 = file.readDecimal(kSettings, QStringLiteral("SortMeth1"), 0);
    s.sortMeth2 = file.readDecimal(kSettings, QStringLiteral("SortMeth2"), 0);

    s.fontName = file.readString(kFont, QStringLiteral("name"), s.fontName);
    s.fontHeight = file.readDecimal(kFont, QStringLiteral("Height"), s.fontHeight);
    s.fontSize = file.readDecimal(kFont, QStringLiteral("Size"), s.fontSize);
    // Italic replaces bold: the stored style is one of the two, never both.
    if (isTrueWord(file.readString(kFont, QStringLiteral("Bold"), QStringLiteral("False"))))
        s.fontStyle = FontStyle::Bold;
    if (isTrueWord(file.readString(kFont, QStringLiteral("Italic"), QStringLiteral("False"))))
        s.fontStyle = FontStyle::Italic;

    s.itemHeight = file.readDecimal(kSettings, QStringLiteral("Itemheight"), 17);

    const int top = file.readDecimal(kSetting, QStringLiteral("Top"), currentBounds.top());
    const int left = file.readDecimal(kSetting, QStringLiteral("Left"), currentBounds.left());
    const int width = file.readDecimal(kSetting, QStringLiteral("Width"), currentBounds.width());
    const int height = file.readDecimal(kSetting, QStringLiteral("Height"), currentBounds.height());
    s.bounds = QRect(left, top, width, height);
    s.maximized = file.readString(kSetting, QStringLiteral("State"), QStringLiteral("Maximized")) ==
                  QLatin1String("Maximized");
    for (const QString& name : kToolBarPanels) {
        // A width that is no number is ignored: the panel keeps its design.
        // A width beyond any screen is cut to one.
        if (const auto width = parseDecimal(file.readString(kToolBars, name, QString())))
            s.toolBars[name] = std::clamp(*width, 0, 8192);
    }
    return s;
}

void readShowSettings(MainSettings& s)
{
    SettingsSession file;
    s.toolsSeek = file.readBool(kSettings, QStringLiteral("ToolsSeek"), false);
    s.treeView = file.readBool(kSettings, QStringLiteral("TreeView"), false);
    if (!s.treeView)
        s.full1 = file.readBool(kSettings, QStringLiteral("Full1"), true);
}

void writeQuitSettings(const MainSettings& s, const QString& programDir)
{
    if (!s.unreadable.isEmpty())
        return;
    SettingsSession file;
    file.writeString(kPanels, QStringLiteral("Dir1"), s.dir1);
    file.writeString(kPanels, QStringLiteral("Dir2"), s.dir2);
    file.writeString(kSettings, QStringLiteral("SortMeth1"), QString::number(s.sortMeth1));
    file.writeString(kSettings, QStringLiteral("SortMeth2"), QString::number(s.sortMeth2));
    file.writeBool(kSettings, QStringLiteral("Statusbar"), s.statusBar);
    file.writeBool(kSettings, QStringLiteral("Speedbar"), s.speedbar);
    file.writeBool(kSettings, QStringLiteral("Full1"), s.full1);
    file.writeBool(kSettings, QStringLiteral("Full2"), s.full2);
    file.writeBool(kSettings, QStringLiteral("ShowcopySpeed"), s.showCopySpeed);
    file.writeBool(kSettings, QStringLiteral("TreeView"), s.treeView);
    file.writeBool(kSettings, QStringLiteral("ShowIntro"), s.showIntro);
    file.writeBool(kSettings, QStringLiteral("ExOnEnter"), s.exOnEnter);
    file.writeString(kSettings, QStringLiteral("UseIcons"), QString::number(s.useIcons));
    file.writeString(kFont, QStringLiteral("name"), s.fontName);
    file.writeString(kFont, QStringLiteral("Height"), QString::number(s.fontHeight));
    file.writeString(kFont, QStringLiteral("Size"), QString::number(s.fontSize));
    file.writeString(kFont, QStringLiteral("Bold"), trueWord(s.fontStyle == FontStyle::Bold));
    file.writeString(kFont, QStringLiteral("Italic"), trueWord(s.fontStyle == FontStyle::Italic));
    file.writeString(kSetting, QStringLiteral("Top"), QString::number(s.bounds.top()));
    file.writeString(kSetting, QStringLiteral("Left"), QString::number(s.bounds.left()));
    file.writeString(kSetting, QStringLiteral("Width"), QString::number(s.bounds.width()));
    file.writeString(kSetting, QStringLiteral("Height"), QString::number(s.bounds.height()));
    file.writeString(kPanels, QStringLiteral("ShowMode"),
                     s.showModeNormal ? QStringLiteral("Normal") : QStringLiteral("FileType"));
    file.writeString(kSetting, QStringLiteral("State"),
                     s.maximized ? QStringLiteral("Maximized") : QStringLiteral("Normal"));
    for (auto it = s.toolBars.cbegin(); it != s.toolBars.cend(); ++it)
        file.writeString(kToolBars, it.key(), QString::number(it.value()));
    writeDefaultButton(file, QStringLiteral("Button1"), QStringLiteral("NetWork.lnk"),
                       QStringLiteral("Network Neighborhood"), programDir);
    writeDefaultButton(file, QStringLiteral("Button2"), QStringLiteral("Recycled.lnk"),
                       QStringLiteral("Recycle Bin"), programDir);
    file.commit();
}

void writePanelWidth(const MainSettings& s)
{
    if (s.unreadable.isEmpty())
        SettingsFile::writeString(kPanels, QStringLiteral("Characters"),
                                  QString::number(s.characters));
}

void writeToolsSeek(const MainSettings& s)
{
    if (s.unreadable.isEmpty())
        SettingsFile::writeBool(kSettings, QStringLiteral("ToolsSeek"), s.toolsSeek);
}

} // namespace dovex
