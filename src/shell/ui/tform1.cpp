#include "shell/ui/tform1.h"

#include "launch/ui/custombuttonbar.h"

#include "launch/ui/launchcommands.h"
#include "launch/ui/linkcommands.h"

#include "archive/ui/archivecommands.h"
#include "archive/ui/compressiontools.h"
#include "controls/dialogowner.h"
#include "controls/tcoolpanel.h"
#include "controls/twinsplit.h"
#include "fileops/ui/fileoperations.h"
#include "fileops/ui/messageprompter.h"
#include "panels/panelreader.h"
#include "panels/textformat.h"
#include "panels/ui/driveselector.h"
#include "panels/ui/panelkeys.h"
#include "panels/ui/panellist.h"
#include "panels/ui/tdirout.h"
#include "panels/ui/treemode.h"
#include "platform/drivemap.h"
#include "platform/locations.h"
#include "platform/prompter.h"
#include "platform/settingsfile.h"
#include "shell/ui/commandline.h"
#include "shell/ui/dragdropglue.h"
#include "shell/ui/drivestatus.h"
#include "shell/ui/mainlayout.h"
#include "shell/ui/programfiles.h"
#include "shell/ui/settingsmarks.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace dovex {

TForm1::TForm1(const QStringList& arguments, QWidget* parent)
    : QMainWindow(parent), m_arguments(arguments), m_painter(&m_types)
{
    setWindowTitle(QStringLiteral("32-Bit Shell"));
    setGeometry(20, 91, 750, 444);
    setCentralWidget(new QWidget(this));
    setupPanels();
    setupCommandButtons();
    setupStatusBar();
    setupCommands();
    m_marks = std::make_unique<SettingsMarks>([this](Cmd id) { return command(id); },
                                              std::array{ListBox1, ListBox2});
    // The bands add the commands only they offer; the launch commands then
    // wire those too.
    setupToolbars();
    setupLaunchCommands();
    setupLinkCommands();
    setupSystemInfo();
    AttachDragDrop(*this);
    setupFollowers();
    setupNetwork();
    Label1->installEventFilter(this);
    m_maximizePending = false;
    FormCreate();
    m_customButtons->Build();
    attachToolbarWidths();
    m_marks->recomputeColumns();
}

TForm1::~TForm1()
{
    // The bands outlive the settings they store into; their widths went to
    // the file at quit.
    if (m_toolbar.bands[0])
        m_toolbar.attachWidths({});
}

Prompter& TForm1::prompter()
{
    if (m_prompter)
        return *m_prompter;
    if (!m_ownPrompter)
        m_ownPrompter = std::make_unique<MessagePrompter>(this);
    return *m_ownPrompter;
}

void TForm1::FormCreate()
{
    const ProgramFiles files = PrepareProgramFiles(m_types);
    m_programDir = files.dir;
    m_programDirName = files.name;
    for (FilePanel& p : m_panels) {
        p.inArchive = false;
        p.archiveKind = QChar(' ');
        p.innerDirectory.clear();
        p.selectionMask = QStringLiteral("*.*");
    }
    m_pendingDeletions.clear();
    m_commandHistory = QStringList(101, QString());

    m_settings = readCreationSettings(geometry());
    applySettings();
}

void TForm1::applySettings()
{
    m_marks->apply(m_settings);
    m_toolbarRow->setVisible(m_settings.speedbar);
    m_buttonRow->setVisible(m_settings.speedbar);
    if (m_settings.maximized)
        m_maximizePending = true;
    else
        setGeometry(SettingsMarks::fitToScreen(m_settings.bounds));
}

void TForm1::FormShow()
{
    if (command(Cmd::ShowIntro)->isChecked())
        showIntro();
    m_programDir = programDirectory();
    readShowSettings(m_settings);
    if (!m_settings.unreadable.isEmpty()) // said once; the file is left alone this session
        prompter().error(SettingsFile::unreadableMessage(m_settings.unreadable));
    if (!m_settings.toolsSeek && m_settings.unreadable.isEmpty())
        offerToolsSeek();
    command(Cmd::LeftFull)->setChecked(m_settings.full1);
    command(Cmd::LeftBrief)->setChecked(!m_settings.full1);
    ListBox1->setBrief(!m_settings.full1);

    if (!m_arguments.isEmpty()) {
        const QString arg = m_arguments.first();
        if (isExistingDirectory(arg))
            m_settings.dir1 = arg;
        else if (isExistingDirectory(dospath::directoryPart(arg)))
            m_settings.dir1 = dospath::directoryPart(arg);
    }
    m_drives->fill();
    paintDrives();
    readStartPanels();
}

void TForm1::showIntro()
{
    auto* about = new QDialog(this);
    about->setAttribute(Qt::WA_DeleteOnClose);
    about->setWindowTitle(QStringLiteral("About"));
    auto* layout = new QVBoxLayout(about);
    layout->addWidget(
        new QLabel(QStringLiteral("Dovex 1.3 32-Bit\n\nA dual-panel file manager"), about));
    about->show();
    QTimer::singleShot(2000, about, &QDialog::close);
}

void TForm1::offerToolsSeek()
{
    // Offered once: the key is written before the question.
    m_settings.toolsSeek = true;
    try {
        writeToolsSeek(m_settings);
    } catch (const SettingsWriteError& e) {
        prompter().error(QString::fromStdString(e.what()));
    }
    // Asked once the window shows both panels and the drive boxes
    // filled, not over an empty frame.
    callAfterFirstPaint(*this, [this] {
        if (!m_quitting && !m_stopped)
            compressionTools().seekTools();
    });
}

void TForm1::readStartPanels()
{
    for (FilePanel& p : m_panels)
        p.filterMask = QStringLiteral("*.*");
    const QString starts[2] = {m_settings.dir1, m_settings.dir2};
    for (int n : {2, 1}) {
        FilePanel& p = panel(n);
        p.path = isExistingDirectory(starts[n - 1]) ? starts[n - 1] : QStringLiteral("C:\\");
        ActivePanel = n;
        RefreshClick();
        if (m_stopped)
            return;
    }
    if (m_settings.treeView)
        Tree1Click();
    ActivePanel = 2;
    setactief(1);
    m_shown = true;
}

void TForm1::stopProgram()
{
    m_stopped = true;
    prompter().information(kDriveCStopped);
    QTimer::singleShot(0, qApp, [] { QApplication::exit(1); });
}

void TForm1::collectSettings()
{
    m_toolbar.storeWidths();
    m_marks->collect(m_settings);
    m_settings.dir1 = m_panels[0].path;
    m_settings.dir2 = m_panels[1].path;
    const QRect g = isMaximized() ? normalGeometry() : geometry();
    m_settings.bounds = g.isValid() ? g : geometry();
    m_settings.maximized = isMaximized();
}

void TForm1::Quit1Click()
{
    if (m_quitting)
        return;
    m_quitting = true;
    collectSettings();
    try {
        writeQuitSettings(m_settings, m_programDirName);
    } catch (const SettingsWriteError& e) {
        prompter().error(QString::fromStdString(e.what()));
    }
    QApplication::exit(0);
}

void TForm1::closeEvent(QCloseEvent* event)
{
    if (!m_stopped)
        Quit1Click();
    event->accept();
}

void TForm1::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !m_quitting &&
        !m_stopped && m_shown && m_busy == 0 && !FileOperationRunning())
        Werkpanelsbij();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Label1 && event->type() == QEvent::MouseButtonRelease)
        DeskTop1Click();
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::DeskTop1Click()
{
    if (!isMaximized()) {
        showMaximized();
        return;
    }
    showNormal();
    const QSize screen = QGuiApplication::primaryScreen()->size();
    setGeometry(100, -4, screen.width() - 96, screen.height() + 8);
}

void TForm1::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    verander();
}

void TForm1::verander()
{
    if (m_maximizePending) {
        m_maximizePending = false;
        showMaximized();
    }
    statusBar()->setVisible(command(Cmd::ShowStatusBar) &&
                            command(Cmd::ShowStatusBar)->isChecked());
    MainLayoutInput in;
    in.toolbar = m_toolbarRow->isVisibleTo(this);
    in.buttons = m_buttonRow->isVisibleTo(this);
    in.area = QSize(width(), centralWidget()->height());
    // After a splitter drag the right list keeps the width it was given.
    in.rightWidth = m_splitCall ? ListBox2->width() : -1;
    MainLayoutMetrics metrics;
    metrics.rowHeight = ListBox1->delegate().rowHeight;
    const MainLayout l = LayOutMainWindow(in, metrics);
    // The window goes no smaller than the size at which nothing overlaps.
    centralWidget()->setMinimumSize(l.minimumArea);
    applyLayout(l, metrics.minRightList);
}

void TForm1::applyLayout(const MainLayout& l, int minRightList)
{
    if (!l.toolbarRow.isNull()) {
        m_toolbarRow->setGeometry(l.toolbarRow);
        m_toolbar.layout(m_toolbarRow);
    }
    TbrowseComboBox* combos[2] = {drivecombobox1, DriveComboBox2};
    QLabel* captions[2] = {Label1, Label2};
    QLabel* lines[2] = {Status1, Status2};
    for (size_t n = 0; n < 2; ++n) {
        list(int(n) + 1)->setGeometry(l.lists[n]);
        lines[n]->setGeometry(l.lines[n]);
        combos[n]->setGeometry(l.combos[n]);
        m_upButtons[n]->setGeometry(l.ups[n]);
        captions[n]->setGeometry(l.captions[n]);
        m_driveBars[n]->setGeometry(l.driveBars[n]);
    }
    if (m_tree)
        dirTree()->setGeometry(ListBox1->geometry()); // the tree lies over the left list
    if (m_splitter) {
        m_splitter->setGeometry(l.splitter);
        m_splitter->setMaxTargetSize(0);
        m_splitter->setMinTargetSize(unsigned(minRightList));
        m_splitter->setMaxTargetSize(unsigned(l.splitterMax));
    }
    m_commandLine->setGeometry(l.commandLine);
    if (!l.buttonRow.isNull()) {
        m_buttonRow->setGeometry(l.buttonRow);
        for (size_t k = 0; k < 9; ++k) {
            m_buttons[k]->setGeometry(l.buttons[k]);
            if (k > 0 && m_separators[k - 1])
                m_separators[k - 1]->setGeometry(l.separators[k - 1]);
        }
    }
    m_driveStatus[0]->setPreferredWidth(l.leftStatusWidth);
    m_driveStatus[1]->setPreferredWidth(0); // the rest
    paintDrives();
}

QString TForm1::driveInfo(int n) const
{
    return m_driveStatus[n - 1]->text();
}

} // namespace dovex
