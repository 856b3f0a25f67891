#include "shell/mainsettings.h"

#include "shell/settingsfile.h"

namespace dovex {

namespace {

// Sections and keys, declared once.
const QString kPanels = QStringLiteral("Panels");
const QString kSettings = QStringLiteral("Settings");
const QString kFont = QStringLiteral("Font");
const QString kSetting = QStringLiteral("Setting");

bool isTrueWord(const QString& text)
{
    return text == QLatin1String("True");
}

QString trueWord(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

void writeDefaultButton(const QString& section, const QString& link, const QString& text,
                        const QString& programDir)
{
    if (SettingsFile::readString(section, QStringLiteral("Command"), QStringLiteral("nee")) !=
        QLatin1String("nee"))
        return;
    SettingsFile::writeString(section, QStringLiteral("Command"), link);
    SettingsFile::writeString(section, QStringLiteral("Parameter"), QString());
    SettingsFile::writeString(section, QStringLiteral("Directory"), programDir);
    SettingsFile::writeString(section, QStringLiteral("Action"), QString());
    SettingsFile::writeString(section, QStringLiteral("Icon"), programDir + '\\' + link);
    SettingsFile::writeString(section, QStringLiteral("Text"), text);
}

} // namespace

MainSettings readCreationSettings(const QRect& currentBounds)
{
    MainSettings s;
    s.dir1 = SettingsFile::readString(kPanels, QStringLiteral("Dir1"), s.dir1);
    s.dir2 = SettingsFile::readString(kPanels, QStringLiteral("Dir2"), s.dir2);
    s.characters = SettingsFile::readDecimal(kPanels, QStringLiteral("Characters"), 16);
    s.useIcons = SettingsFile::readDecimal(kSettings, QStringLiteral("UseIcons"), 2);
    s.statusBar = SettingsFile::readBool(kSettings, QStringLiteral("StatusBar"), true);
    s.showCopySpeed = SettingsFile::readBool(kSettings, QStringLiteral("ShowcopySpeed"), false);
    s.full2 = SettingsFile::readBool(kSettings, QStringLiteral("Full2"), true);
    s.speedbar = SettingsFile::readBool(kSettings, QStringLiteral("Speedbar"), true);
    s.showIntro = SettingsFile::readBool(kSettings, QStringLiteral("ShowIntro"), true);
    s.exOnEnter = SettingsFile::readBool(kSettings, QStringLiteral("ExOnEnter"), false);
    s.showModeNormal = SettingsFile::readString(kPanels, QStringLiteral("ShowMode"),
                                                QStringLiteral("FileType")) == QLatin1String("Normal");
    s.sortMeth1 = SettingsFile::readDecimal(kSettings, QStringLiteral("SortMeth1"), 0);
    s.sortMeth2 = SettingsFile::readDecimal(kSettings, QStringLiteral("SortMeth2"), 0);

    s.fontName = SettingsFile::readString(kFont, QStringLiteral("name"), s.fontName);
    s.fontHeight = SettingsFile::readDecimal(kFont, QStringLiteral("Height"), s.fontHeight);
    s.fontSize = SettingsFile::readDecimal(kFont, QStringLiteral("Size"), s.fontSize);
    // Italic replaces bold: the stored style is one of the two, never both.
    if (isTrueWord(SettingsFile::readString(kFont, QStringLiteral("Bold"), QStringLiteral("False"))))
        s.fontStyle = FontStyle::Bold;
    if (isTrueWord(SettingsFile::readString(kFont, QStringLiteral("Italic"), QStringLiteral("False"))))
        s.fontStyle = FontStyle::Italic;

    s.itemHeight = SettingsFile::readDecimal(kSettings, QStringLiteral("Itemheight"), 17);

    const int top = SettingsFile::readDecimal(kSetting, QStringLiteral("Top"), currentBounds.top());
    const int left = SettingsFile::readDecimal(kSetting, QStringLiteral("Left"), currentBounds.left());
    const int width =
        SettingsFile::readDecimal(kSetting, QStringLiteral("Width"), currentBounds.width());
    const int height =
        SettingsFile::readDecimal(kSetting, QStringLiteral("Height"), currentBounds.height());
    s.bounds = QRect(left, top, width, height);
    s.maximized = SettingsFile::readString(kSetting, QStringLiteral("State"),
                                           QStringLiteral("Maximized")) == QLatin1String("Maximized");
    return s;
}

void readShowSettings(MainSettings& s)
{
    s.toolsSeek = SettingsFile::readBool(kSettings, QStringLiteral("ToolsSeek"), false);
    s.treeView = SettingsFile::readBool(kSettings, QStringLiteral("TreeView"), false);
    if (!s.treeView)
        s.full1 = SettingsFile::readBool(kSettings, QStringLiteral("Full1"), true);
}

void writeQuitSettings(const MainSettings& s, const QString& programDir)
{
    SettingsFile::writeString(kPanels, QStringLiteral("Dir1"), s.dir1);
    SettingsFile::writeString(kPanels, QStringLiteral("Dir2"), s.dir2);
    SettingsFile::writeString(kSettings, QStringLiteral("SortMeth1"), QString::number(s.sortMeth1));
    SettingsFile::writeString(kSettings, QStringLiteral("SortMeth2"), QString::number(s.sortMeth2));
    SettingsFile::writeBool(kSettings, QStringLiteral("Statusbar"), s.statusBar);
    SettingsFile::writeBool(kSettings, QStringLiteral("Speedbar"), s.speedbar);
    SettingsFile::writeBool(kSettings, QStringLiteral("Full1"), s.full1);
    SettingsFile::writeBool(kSettings, QStringLiteral("Full2"), s.full2);
    SettingsFile::writeBool(kSettings, QStringLiteral("ShowcopySpeed"), s.showCopySpeed);
    SettingsFile::writeBool(kSettings, QStringLiteral("TreeView"), s.treeView);
    SettingsFile::writeBool(kSettings, QStringLiteral("ShowIntro"), s.showIntro);
    SettingsFile::writeBool(kSettings, QStringLiteral("ExOnEnter"), s.exOnEnter);
    SettingsFile::writeString(kSettings, QStringLiteral("UseIcons"), QString::number(s.useIcons));
    SettingsFile::writeString(kFont, QStringLiteral("name"), s.fontName);
    SettingsFile::writeString(kFont, QStringLiteral("Height"), QString::number(s.fontHeight));
    SettingsFile::writeString(kFont, QStringLiteral("Size"), QString::number(s.fontSize));
    SettingsFile::writeString(kFont, QStringLiteral("Bold"), trueWord(s.fontStyle == FontStyle::Bold));
    SettingsFile::writeString(kFont, QStringLiteral("Italic"),
                              trueWord(s.fontStyle == FontStyle::Italic));
    SettingsFile::writeString(kSetting, QStringLiteral("Top"), QString::number(s.bounds.top()));
    SettingsFile::writeString(kSetting, QStringLiteral("Left"), QString::number(s.bounds.left()));
    SettingsFile::writeString(kSetting, QStringLiteral("Width"), QString::number(s.bounds.width()));
    SettingsFile::writeString(kSetting, QStringLiteral("Height"), QString::number(s.bounds.height()));
    SettingsFile::writeString(kPanels, QStringLiteral("ShowMode"),
                              s.showModeNormal ? QStringLiteral("Normal") : QStringLiteral("FileType"));
    SettingsFile::writeString(kSetting, QStringLiteral("State"),
                              s.maximized ? QStringLiteral("Maximized") : QStringLiteral("Normal"));
    writeDefaultButton(QStringLiteral("Button1"), QStringLiteral("NetWork.lnk"),
                       QStringLiteral("Network Neighborhood"), programDir);
    writeDefaultButton(QStringLiteral("Button2"), QStringLiteral("Recycled.lnk"),
                       QStringLiteral("Recycle Bin"), programDir);
}

void writePanelWidth(int characters)
{
    SettingsFile::writeString(kPanels, QStringLiteral("Characters"), QString::number(characters));
}

void writeToolsSeek(bool value)
{
    SettingsFile::writeBool(kSettings, QStringLiteral("ToolsSeek"), value);
}

} // namespace dovex
