#include "panels/ui/panelkeys.h"

#include "panels/keypolicy.h"
#include "panels/selection.h"
#include "panels/ui/panellist.h"
#include "panels/ui/seekpopup.h"
#include "panels/ui/selectionsetdialog.h"

#include <QKeyEvent>
#include <QLabel>

namespace dovex {

PanelKeys::PanelKeys(QWidget* owner, std::array<TPanelList*, 2> lists, std::array<QLabel*, 2> lines,
                     Host host)
    : m_owner(owner), m_lists(lists), m_lines(lines), m_host(std::move(host))
{
}

bool PanelKeys::key(int n, QKeyEvent* e)
{
    TPanelList* l = m_lists[size_t(n - 1)];
    const FilePanel& p = l->panel();
    const PanelKeyDecision d = PanelKeyPolicy(
        e->key(), e->modifiers(), e->text(),
        {m_symbolFlag, l->cursor() >= 0 || !p.entries.empty(), m_host.commandText().isEmpty()});
    m_symbolFlag = d.symbolFlag;
    if (d.action != PanelKeyAction::OpenSeek && !p.entries.empty() && l->cursor() < 0)
        l->setCursor(0);
    apply(n, d.action, e->text());
    if (d.updateLine)
        m_host.lineChanged(n);
    return d.handled;
}

void PanelKeys::apply(int n, PanelKeyAction action, const QString& text)
{
    TPanelList* l = m_lists[size_t(n - 1)];
    FilePanel& p = l->panel();
    switch (action) {
    case PanelKeyAction::None:
        break;
    case PanelKeyAction::OpenSeek:
        openSeek(n);
        break;
    case PanelKeyAction::ClearCommandLine:
        m_host.setCommand(QString());
        break;
    case PanelKeyAction::AppendName:
        m_host.appendCommand(p.entries[size_t(l->cursor())].name + ' ');
        break;
    case PanelKeyAction::RunCommandLine:
        m_host.runCommandLine(n);
        break;
    case PanelKeyAction::OpenEntry:
        m_host.open(n);
        break;
    case PanelKeyAction::SelectDialog:
    case PanelKeyAction::DeselectDialog:
        markByMask(n, action == PanelKeyAction::SelectDialog);
        break;
    case PanelKeyAction::InvertMarks:
        invertAll(p.entries);
        l->viewport()->update();
        break;
    case PanelKeyAction::AppendText:
        m_host.appendCommand(text);
        break;
    case PanelKeyAction::ToggleMark:
        l->setCursor(toggleAndAdvance(p.entries, l->cursor()));
        l->viewport()->update();
        break;
    case PanelKeyAction::Backspace:
        m_host.backspace();
        break;
    }
}

std::optional<QString> PanelKeys::ask(const QString& caption, const QString& text)
{
    if (!m_ask)
        m_ask = new TForm8(m_owner);
    return m_ask->ask(caption, text);
}

void PanelKeys::markByMask(int n, bool marking)
{
    TPanelList* l = m_lists[size_t(n - 1)];
    FilePanel& p = l->panel();
    const std::optional<QString> mask =
        ask(marking ? QStringLiteral("Select Files") : QStringLiteral("Deselect Files"),
            p.selectionMask);
    if (!mask)
        return;
    p.selectionMask = *mask;
    MaskonEnter(p.entries, p.selectionMask, marking ? SelectMode::Mark : SelectMode::Unmark);
    m_host.lineChanged(n);
    l->viewport()->update();
    l->setFocus();
}

void PanelKeys::openSeek(int n)
{
    if (!m_seek) {
        m_seek = new TForm11(m_owner);
        QObject::connect(m_seek, &TForm11::cursorChanged, m_owner, [this](int index) {
            const int active = m_host.activePanel();
            m_lists[size_t(active - 1)]->setCursor(index);
            m_host.lineChanged(active);
        });
    }
    m_seek->setEntries(&m_lists[size_t(n - 1)]->panel().entries);
    QLabel* line = m_lines[size_t(n - 1)];
    const QRect global(line->mapToGlobal(QPoint(0, 0)), line->size());
    m_seek->showOver(global, global.top() - 5);
}

} // namespace dovex
