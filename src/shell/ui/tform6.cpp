#include "shell/ui/tform6.h"

#include <QEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>

namespace dovex {

namespace {

constexpr int kColumnWidth = 150;
constexpr int kRowHeight = 16;
constexpr int kRows = 8;
constexpr int kMargin = 8;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;

std::optional<sysinfo::DisplayInfo> displayOf(const QWidget* w)
{
    QScreen* screen = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return std::nullopt;
    // The resolution in device pixels, as the display itself counts them.
    const QSize size = screen->geometry().size() * screen->devicePixelRatio();
    return sysinfo::DisplayInfo{size.width(), size.height(), screen->depth()};
}

} // namespace

TForm6::TForm6(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("Form6"));
    setWindowTitle(QStringLiteral("System Info"));
    setModal(true);

    Grid = new QTableWidget(kRows, 2, this);
    Grid->setObjectName(QStringLiteral("Grid"));
    Grid->horizontalHeader()->hide();
    Grid->verticalHeader()->hide();
    Grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid->setSelectionMode(QAbstractItemView::NoSelection);
    Grid->setFocusPolicy(Qt::NoFocus);
    // The header's minimum follows the font; the rows are 16 pixels whatever it is.
    Grid->verticalHeader()->setMinimumSectionSize(1);
    Grid->verticalHeader()->setDefaultSectionSize(kRowHeight);
    Grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    Grid->horizontalHeader()->setMinimumSectionSize(1);
    for (int r = 0; r < kRows; ++r)
        Grid->setRowHeight(r, kRowHeight);
    // Disabled so it takes no input, but read as plainly as an enabled one.
    QPalette pal = Grid->palette();
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        pal.setColor(g, QPalette::Base, Qt::white);
        pal.setColor(g, QPalette::Text, Qt::black);
    }
    Grid->setPalette(pal);
    Grid->setEnabled(false);

    Button = new QPushButton(QStringLiteral("Start"), this);
    Button->setObjectName(QStringLiteral("Button"));
    Button->setDefault(true);
    connect(Button, &QPushButton::clicked, this, &QDialog::accept);
    fitToText();
}

bool TForm6::event(QEvent* event)
{
    const bool handled = QDialog::event(event);
    if (event->type() == QEvent::WindowActivate)
        fill();
    else if (event->type() == QEvent::Show && screen())
        move(screen()->availableGeometry().center() - rect().center());
    return handled;
}

void TForm6::fill()
{
    const auto rows = sysinfo::rows(sysinfo::collect(displayOf(this), m_sources));
    for (int r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < 2; ++c) {
            const QString text = c == 0 ? rows[r].first : rows[r].second;
            if (QTableWidgetItem* item = Grid->item(r, c))
                item->setText(text);
            else
                Grid->setItem(r, c, new QTableWidgetItem(text));
        }
    }
    Button->setText(QStringLiteral("OK"));
    fitToText();
}

// The columns are 150 pixels; the second grows when a text would be cut
// (a processor's model name is often longer than the classic names).
void TForm6::fitToText()
{
    const QFontMetrics fm(Grid->font());
    int second = kColumnWidth;
    for (int r = 0; r < kRows; ++r)
        if (const QTableWidgetItem* item = Grid->item(r, 1))
            second = std::max(second, fm.horizontalAdvance(item->text()) + 12);
    Grid->setColumnWidth(0, kColumnWidth);
    Grid->setColumnWidth(1, second);
    const int frame = 2 * Grid->frameWidth();
    const int gridWidth = kColumnWidth + second + frame;
    const int gridHeight = kRows * kRowHeight + frame;
    Grid->setGeometry(kMargin, kMargin, gridWidth, gridHeight);
    const int width = gridWidth + 2 * kMargin;
    Button->setGeometry((width - kButtonWidth) / 2, kMargin * 2 + gridHeight, kButtonWidth,
                        kButtonHeight);
    setFixedSize(width, gridHeight + kButtonHeight + 4 * kMargin);
}

} // namespace dovex
