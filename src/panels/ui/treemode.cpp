#include "panels/ui/treemode.h"

#include "panels/filepanel.h"
#include "panels/ui/panellist.h"
#include "panels/ui/tdirout.h"

#include <QLabel>

namespace dovex {

TreeMode::TreeMode(QWidget* parent, std::array<TPanelList*, 2> lists, QLabel* caption,
                   QLabel* selectionLine, int& busy, Host host)
    : m_lists(lists), m_caption(caption), m_selectionLine(selectionLine), m_busy(busy),
      m_host(std::move(host)), m_tree(new TDirOut(parent))
{
    m_tree->setObjectName(QStringLiteral("DirOut1"));
    m_tree->hide();
    m_tree->setFont(m_lists[0]->font());
    m_tree->OnChange = [this](TDirOut*) { changed(); };
    m_tree->OnEnter = [this] {
        m_host.setActive(1);
        m_host.prompt(m_lists[0]->panel().path);
    };
}

TreeMode::~TreeMode()
{
    m_tree->OnChange = nullptr;
    m_tree->OnEnter = nullptr;
}

bool TreeMode::shown() const
{
    return !m_tree->isHidden();
}

void TreeMode::show()
{
    if (shown())
        return;
    TPanelList* left = m_lists[0];
    m_tree->setFont(left->font());
    m_tree->setGeometry(left->geometry());
    left->hide();
    m_tree->show();
    m_selectionLine->clear();
    const QString& path = left->panel().path;
    if (!path.isEmpty())
        readDrive(path[0]);
}

bool TreeMode::hide()
{
    if (!shown())
        return false;
    m_tree->hide();
    m_lists[0]->show();
    return true;
}

void TreeMode::follow()
{
    const QString& path = m_lists[0]->panel().path;
    if (!path.isEmpty() && path[0].toLower() != m_tree->Drive().toLower())
        readDrive(path[0]);
    m_caption->setText(path);
}

void TreeMode::readDrive(QChar letter)
{
    m_tree->SetDrive(letter.toUpper());
    ++m_busy; // the read lets events run: an activation must not re-read meanwhile
    m_tree->Reload();
    --m_busy;
}

void TreeMode::changed()
{
    const QString path = m_tree->selectedPath();
    m_lists[1]->panel().showDirectory(path);
    if (!m_host.read(2))
        return;
    m_selectionLine->clear();
    m_caption->setText(path);
    m_lists[0]->panel().path = path;
    m_host.setActive(1);
    m_host.prompt(path);
}

} // namespace dovex
