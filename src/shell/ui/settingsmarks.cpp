#include "shell/ui/settingsmarks.h"

#include "panels/filetypetable.h"
#include "panels/ui/panellist.h"

#include <QAction>
#include <QFontDialog>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>

namespace dovex {

void SettingsMarks::apply(const MainSettings& s) const
{
    applyMarks(s);
    for (size_t n = 0; n < 2; ++n) {
        FilePanel& p = m_lists[n]->panel();
        p.sortMethod = n == 0 ? s.sortMeth1 : s.sortMeth2;
        for (int k = 0; k < 5; ++k)
            command(sortCommand(int(n) + 1, k))->setChecked(k == p.sortMethod);
    }
    applyLists(s);
}

void SettingsMarks::applyMarks(const MainSettings& s) const
{
    for (int i = 0; i < 4; ++i)
        command(iconCommand(i))->setChecked(s.useIcons == i);
    command(Cmd::ShowStatusBar)->setChecked(s.statusBar);
    command(Cmd::ShowCopySpeed)->setChecked(s.showCopySpeed);
    if (!s.full2)
        command(Cmd::RightBrief)->setChecked(true);
    command(Cmd::ShowSpeedbar)->setChecked(s.speedbar);
    command(Cmd::ShowIntro)->setChecked(s.showIntro);
    command(Cmd::OpenDocuments)->setChecked(s.exOnEnter);
    command(s.showModeNormal ? Cmd::ShowAttributes : Cmd::ShowFileType)->setChecked(true);
    for (int i = 0; i < 6; ++i)
        command(widthCommand(i))->setChecked(kPanelWidths[i] == s.characters);
}

void SettingsMarks::applyLists(const MainSettings& s) const
{
    if (!s.full2)
        m_lists[1]->setBrief(true);
    const QFont font = panelFont(s);
    for (TPanelList* l : m_lists) {
        l->setFont(font);
        l->setRowHeight(s.itemHeight);
        RowOptions& o = l->delegate().options;
        o.iconMode = s.useIcons;
        o.detail = s.showModeNormal ? DetailMode::Attributes : DetailMode::FileType;
        o.nameColumnChars = s.characters;
        o.folderTypeText = FileTypeTable::folderTypeText();
    }
}

void SettingsMarks::setIconMode(int mode) const
{
    for (TPanelList* l : m_lists)
        l->delegate().options.iconMode = mode;
    repaint();
}

void SettingsMarks::setDetailMode(DetailMode mode) const
{
    for (TPanelList* l : m_lists)
        l->delegate().options.detail = mode;
    repaint();
}

void SettingsMarks::setNameWidth(int characters) const
{
    for (TPanelList* l : m_lists)
        l->delegate().options.nameColumnChars = characters;
    recomputeColumns();
    repaint();
}

void SettingsMarks::chooseFont(QWidget* parent) const
{
    bool ok = false;
    const QFont font =
        QFontDialog::getFont(&ok, m_lists[0]->font(), parent, QStringLiteral("Font"));
    if (!ok)
        return;
    for (TPanelList* l : m_lists)
        l->setFont(font);
    recomputeColumns();
    const int height = std::max(17, QFontMetrics(font).height());
    for (TPanelList* l : m_lists)
        l->setRowHeight(height);
}

void SettingsMarks::recomputeColumns() const
{
    for (TPanelList* l : m_lists)
        l->delegate().options.columns =
            computeColumns(l->font(), l->delegate().options.nameColumnChars);
}

void SettingsMarks::repaint() const
{
    for (TPanelList* l : m_lists)
        l->viewport()->update();
}

QFont SettingsMarks::panelFont(const MainSettings& s)
{
    QFont font(s.fontName);
    font.setPixelSize(std::abs(s.fontHeight) > 0 ? std::abs(s.fontHeight) : 11);
    if (s.fontSize > 0)
        font.setPointSize(s.fontSize);
    font.setBold(s.fontStyle == FontStyle::Bold);
    font.setItalic(s.fontStyle == FontStyle::Italic);
    return font;
}

QRect SettingsMarks::fitToScreen(QRect b)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize area = screen ? screen->size() : b.size();
    b.moveTop(std::max(0, b.top()));
    b.moveLeft(std::max(0, b.left()));
    b.setWidth(std::min(b.width(), area.width()));
    b.setHeight(std::min(b.height(), area.height()));
    return b;
}

void SettingsMarks::collect(MainSettings& s) const
{
    s.sortMeth1 = m_lists[0]->panel().sortMethod;
    s.sortMeth2 = m_lists[1]->panel().sortMethod;
    s.statusBar = command(Cmd::ShowStatusBar)->isChecked();
    s.speedbar = command(Cmd::ShowSpeedbar)->isChecked();
    s.full1 = command(Cmd::LeftFull)->isChecked();
    s.full2 = command(Cmd::RightFull)->isChecked();
    s.showCopySpeed = command(Cmd::ShowCopySpeed)->isChecked();
    s.showIntro = command(Cmd::ShowIntro)->isChecked();
    s.exOnEnter = command(Cmd::OpenDocuments)->isChecked();
    s.showModeNormal = command(Cmd::ShowAttributes)->isChecked();
    for (int i = 0; i < 4; ++i)
        if (command(iconCommand(i))->isChecked())
            s.useIcons = i;
    const QFont f = m_lists[0]->font();
    s.fontName = f.family();
    s.fontSize = f.pointSize() > 0 ? f.pointSize() : s.fontSize;
    s.fontHeight = -QFontMetrics(f).height();
    s.fontStyle = f.bold() && f.italic() ? FontStyle::BoldItalic
                  : f.bold()             ? FontStyle::Bold
                  : f.italic()           ? FontStyle::Italic
                                         : FontStyle::Regular;
}

} // namespace dovex
