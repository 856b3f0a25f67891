// The main window's drags and drops: panel lists as drag sources, drops of
// a panel on the other list, a drive bar or the command line, and files
// dropped from other programs. The decisions are in fileops/dragdrop.h.
#include "shell/ui/dragdropglue.h"

#include "shell/ui/tform1.h"

#include "archive/ui/archivecommands.h"
#include "controls/tcoolpanel.h"
#include "controls/twin97button.h"
#include "fileops/dragdrop.h"
#include "fileops/ui/fileoperations.h"
#include "launch/ui/custombuttonbar.h"
#include "panels/selection.h"
#include "panels/ui/panellist.h"
#include "platform/drivemap.h"
#include "platform/prompter.h"
#include "shell/ui/commandline.h"

#include <QAction>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QTimer>

namespace dovex {

class DragDropGlue : public QObject {
public:
    explicit DragDropGlue(TForm1* form) : QObject(form), f(form) {}
    // Made once with the window: the lists, drive bars, command line,
    // custom buttons and toolbar strip take drags, and the drop menu.
    static void attach(TForm1* f);

    void startPanelDrag(int n)
    {
        FilePanel& p = f->panel(n);
        QStringList hosts;
        if (!p.inArchive) {
            // The marked entries, or the one under the cursor.
            for (const int i : ActedOnIndexes(p.entries, f->list(n)->cursor()))
                if (auto host = DriveMap::instance().toHost(
                        dospath::join(p.path, p.entries[size_t(i)].name)))
                    hosts << *host;
        }
        auto* data = new QMimeData;
        data->setData(QLatin1String(dragdrop::kPanelFormat), dragdrop::panelToken(n));
        if (!hosts.isEmpty())
            data->setData(QLatin1String(dragdrop::kUriListFormat), dragdrop::uriList(hosts));
        auto* drag = new QDrag(f->list(n));
        drag->setMimeData(data);
        // Copy unless the receiving program asks for a move (most file
        // managers do with Shift held).
        const Qt::DropAction done = drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
        if (done == Qt::MoveAction && !drag->target())
            f->Werkpanelsbij(); // another program moved the files away
    }

    void install(QWidget* w)
    {
        w->setAcceptDrops(true);
        w->installEventFilter(this);
    }

    QMenu* menu = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
            return QObject::eventFilter(watched, event);
        auto* w = qobject_cast<QWidget*>(watched);
        auto* e = static_cast<QDropEvent*>(event);
        const QMimeData* data = e->mimeData();
        const QPoint at = e->position().toPoint();
        const int source = dragdrop::sourcePanel(data);
        if (source)
            return panelDrag(w, e, source, at);
        if (data->hasFormat(QLatin1String(dragdrop::kUriListFormat)))
            return filesDrag(w, e, at);
        return QObject::eventFilter(watched, event);
    }

private:
    int listOf(QWidget* w) const
    {
        for (int n : {1, 2})
            if (w == f->list(n)->viewport())
                return n;
        return 0;
    }
    int barOf(QWidget* w) const
    {
        for (int n : {1, 2})
            if (w == f->driveBar(n))
                return n;
        return 0;
    }
    // A drag the strip's own widgets refused climbs to their parents (the
    // window and its inner frame) with the point carried along, which may
    // lie beyond the strip's right end; such a drop is still on the strip's
    // line and must not fall through to a panel.
    bool onToolbarStrip(QWidget* w, const QPoint& at) const
    {
        QWidget* row = f->toolbarRow();
        if (!row || !row->isVisibleTo(f))
            return false;
        if (w == row || row->isAncestorOf(w))
            return true;
        if (!w->isAncestorOf(row))
            return false;
        const int y = row->mapFrom(w, at).y();
        return y >= 0 && y < row->height();
    }
    // A drag of this window's panel `source`.
    bool panelDrag(QWidget* w, QDropEvent* e, int source, const QPoint& at)
    {
        const bool drop = e->type() == QEvent::Drop;
        if (const int target = listOf(w)) {
            e->setDropAction(Qt::CopyAction);
            e->accept();
            if (drop)
                dropOnList(source, target, e->modifiers(), e->buttons(), w->mapToGlobal(at));
            return true;
        }
        if (const int bar = barOf(w)) {
            const int slot = dragdrop::driveSlotAt(
                at.x(), f->DriveCount, f->drivecombobox1->count(), f->driveBar(bar)->slotCount());
            if (slot < 0) {
                e->ignore(); // beyond the last drive: the refused cursor
                return true;
            }
            e->setDropAction(Qt::CopyAction);
            e->accept();
            if (drop) {
                const QChar letter = f->DriveSlots[slot][0];
                later([this, source, letter] { copyToDrive(source, letter); });
            }
            return true;
        }
        if (w == f->commandLine()) {
            e->setDropAction(Qt::CopyAction);
            e->accept();
            if (drop) {
                const int c = f->list(source)->cursor();
                const FilePanel& p = f->panel(source);
                const QString name =
                    c >= 0 && size_t(c) < p.entries.size() ? p.entries[size_t(c)].name : QString();
                f->commandLine()->setText(
                    dragdrop::commandLineDrop(f->commandLine()->text(), source, name));
            }
            return true;
        }
        if (w == f) {
            e->ignore(); // nowhere a panel can be dropped
            return true;
        }
        return false; // the custom buttons take panels themselves
    }

    void dropOnList(int source, int target, Qt::KeyboardModifiers keys, Qt::MouseButtons buttons,
                    const QPoint& global)
    {
        switch (dragdrop::listDrop(source, target, keys, buttons)) {
        case dragdrop::ListDrop::Nothing:
            return;
        case dragdrop::ListDrop::Copy:
            later([this, source] {
                f->setactief(source);
                f->Copy1Click();
            });
            return;
        case dragdrop::ListDrop::Menu:
            // The menu's commands act on the active panel: the one dragged from.
            f->setactief(source);
            menu->setActiveAction(menu->defaultAction());
            menu->popup(global, menu->defaultAction());
            return;
        }
    }

    void copyToDrive(int source, QChar letter)
    {
        if (f->m_stopped)
            return;
        f->setactief(source);
        OperationContext ctx{f->panel(source),
                             f->list(source)->cursor(),
                             f->panel(3 - source),
                             f,
                             f->command(Cmd::ShowCopySpeed)->isChecked(),
                             f->m_prompter,
                             &f->archiveCommands()};
        ++f->m_busy;
        DoeWerk(ctx, FileOpKind::CopyToDrive, letter);
        --f->m_busy;
        f->Werkpanelsbij();
    }

    // Files from another program.
    bool filesDrag(QWidget* w, QDropEvent* e, const QPoint& at)
    {
        const dragdrop::DroppedNames names = dragdrop::readUriList(
            e->mimeData()->data(QLatin1String(dragdrop::kUriListFormat)), DriveMap::instance());
        if (names.foreign) {
            e->ignore(); // a web address or a file of another machine
            return true;
        }
        CustomButtonBar& bar = f->customButtons();
        const bool toolbar = !listOf(w) && onToolbarStrip(w, at);
        const int barX = f->customButtonPanel()->mapFromGlobal(w->mapToGlobal(at)).x();
        if (toolbar && !bar.DropSlotAt(barX)) {
            e->ignore(); // Config mode, or no button under the point
            return true;
        }
        e->setDropAction(Qt::CopyAction);
        e->accept();
        if (e->type() != QEvent::Drop)
            return true;
        if (!names.refused.isEmpty())
            f->prompter().error(dragdrop::refusedMessage(names));
        if (names.ignored > 0)
            f->prompter().information(
                QStringLiteral(
                    "Only the first %1 names of the drop were taken; %2 more were left out.")
                    .arg(dragdrop::kMaxDroppedNames)
                    .arg(names.ignored));
        if (names.dosPaths.isEmpty())
            return true;
        const QStringList paths = names.dosPaths;
        if (toolbar) {
            later([&bar, barX, paths] { bar.DropFiles(barX, paths); });
            return true;
        }
        int n = listOf(w);
        if (!n)
            n = dragdrop::shellDropPanel(w->mapTo(f, at).x(), f->width());
        later([this, n, paths] { copyDropped(n, paths); });
        return true;
    }

    void copyDropped(int n, const QStringList& paths)
    {
        if (f->m_stopped)
            return;
        OperationContext ctx{f->panel(n),
                             -1,
                             f->panel(3 - n),
                             f,
                             f->command(Cmd::ShowCopySpeed)->isChecked(),
                             f->m_prompter,
                             &f->archiveCommands()};
        ++f->m_busy;
        KopieFiles(paths, ctx);
        --f->m_busy;
        f->Werkpanelsbij();
    }

    // The work of a drop runs once the drag is over, so that its dialogs
    // are not opened inside the drag's own event loop.
    void later(std::function<void()> fn) { QTimer::singleShot(0, this, std::move(fn)); }

    TForm1* f;
};

void DragDropGlue::attach(TForm1* f)
{
    auto* glue = new DragDropGlue(f);
    glue->setObjectName(QStringLiteral("DragDrop"));
    for (int n : {1, 2}) {
        f->list(n)->onStartDrag = [glue, n] { glue->startPanelDrag(n); };
        glue->install(f->list(n)->viewport());
        glue->install(f->driveBar(n));
    }
    glue->install(f->commandLine());
    glue->install(f);
    // The buttons and their lines take drags of their own (panels, other
    // buttons); files from other programs are looked at first here.
    for (int i = 1; i <= 40; ++i) {
        f->customButtons().button(i)->installEventFilter(glue);
        f->customButtons().separator(i)->installEventFilter(glue);
    }
    f->customButtonPanel()->installEventFilter(glue);
    glue->install(f->toolbarRow());

    // The drop menu of a panel dropped on the other with Shift or the right
    // button held.
    auto* menu = new QMenu(f);
    menu->setObjectName(QStringLiteral("PopupMenu3"));
    const auto item = [menu, f](const char* caption, void (TForm1::*run)()) {
        QAction* a = menu->addAction(QString::fromLatin1(caption));
        QObject::connect(a, &QAction::triggered, f, [f, run] { (f->*run)(); });
        return a;
    };
    QAction* copy = item("&Copy selected files", &TForm1::Copy1Click);
    item("&Move selected files", &TForm1::Move1Click);
    item("C&ompress selected files", &TForm1::CompressionTools1Click);
    item("Create &Link Shortcut", &TForm1::CreateLinkShortcut1Click);
    menu->setDefaultAction(copy);
    glue->menu = menu;
}

void AttachDragDrop(TForm1& form)
{
    DragDropGlue::attach(&form);
}

} // namespace dovex
