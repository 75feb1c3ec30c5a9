// SPDX-License-Identifier: MIT
#include "reports/report_window.h"

#include "dialogs/window_helpers.h"

#include <QClipboard>
#include <QEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace arbolith {

namespace {

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

// The share of the client area each content control takes, in both
// directions: the table gets a little more room for its four columns.
constexpr double kContentShare = 0.90;
constexpr double kTableShare = 0.95;

}  // namespace

frmReport::frmReport(Prompt& prompt, QWidget* parent) : QDialog(parent), m_prompt(prompt)
{
    setObjectName("frmReport");
    setModal(true);
    CreateControls();
}

frmReport::~frmReport() = default;

void frmReport::CreateControls()
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* bar = new QMenuBar(this);
    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->setObjectName("mnuFile");
    m_mnuCopy = file->addAction(QStringLiteral("Copy &Text to Clipboard"));
    m_mnuCopy->setObjectName("mnuCopy");
    m_mnuLine1 = file->addSeparator();
    m_mnuLine1->setObjectName("mnuLine1");
    m_mnuClose = file->addAction(QStringLiteral("&Close Window"));
    m_mnuClose->setObjectName("mnuClose");
    layout->setMenuBar(bar);
    connect(m_mnuCopy, &QAction::triggered, this, [this] { CopyCode(); });
    connect(m_mnuClose, &QAction::triggered, this, &QDialog::reject);

    // The content controls are placed by hand, centred in the client area,
    // so the area reports its resizes to the window.
    m_client = new QWidget(this);
    layout->addWidget(m_client, 1);
    m_client->installEventFilter(this);

    m_lstReport = new QListWidget(m_client);
    m_lstReport->setObjectName("lstReport");
    m_lstReport->setUniformItemSizes(true);

    m_lvReport = new QTreeWidget(m_client);
    m_lvReport->setObjectName("lvReport");
    m_lvReport->setRootIsDecorated(false);
    m_lvReport->setUniformRowHeights(true);
    m_lvReport->setHeaderLabels({QStringLiteral("Object"), QStringLiteral("As Interior Node"),
                                 QStringLiteral("As Leaf Node"), QStringLiteral("Total")});
    m_lvReport->header()->setSectionsClickable(true);
    m_lvReport->header()->setStretchLastSection(false);
    connect(m_lvReport->header(), &QHeaderView::sectionClicked, this, [this](int column) { SortByColumn(column); });

    m_txtReport = new QPlainTextEdit(m_client);
    m_txtReport->setObjectName("txtReport");
    m_txtReport->setReadOnly(true);

    m_cmdFlash = new QPushButton(m_client);
    m_cmdFlash->setObjectName("cmdFlash");

    for (QWidget* control : {static_cast<QWidget*>(m_lstReport), static_cast<QWidget*>(m_lvReport),
                             static_cast<QWidget*>(m_txtReport), static_cast<QWidget*>(m_cmdFlash)})
        control->hide();
    m_mnuCopy->setVisible(false);
    m_mnuLine1->setVisible(false);
}

void frmReport::SetMode(ReportMode mode)
{
    m_mode = mode;
    m_lstReport->setVisible(mode == ReportMode::Lines || mode == ReportMode::Report);
    m_lvReport->setVisible(mode == ReportMode::Frequencies);
    m_txtReport->setVisible(mode == ReportMode::HelpText || mode == ReportMode::Code);
    m_mnuCopy->setVisible(mode == ReportMode::Code);
    m_mnuLine1->setVisible(mode == ReportMode::Code);
}

void frmReport::SetLines(const std::string& caption, const std::vector<std::string>& lines)
{
    SetMode(ReportMode::Lines);
    setWindowTitle(Text(caption));
    m_lstReport->clear();
    QStringList items;
    items.reserve(static_cast<qsizetype>(lines.size()));
    for (const std::string& line : lines) items.push_back(Text(line));
    m_lstReport->addItems(items);
}

void frmReport::SetFrequencies(const std::string& caption, const std::vector<reports::FrequencyRow>& rows)
{
    SetMode(ReportMode::Frequencies);
    setWindowTitle(Text(caption));
    m_lvReport->clear();
    m_ascending = true;
    // Column widths: fifteen letters X for the name and the two counts, ten
    // for the total, in the font of the window that asked for the table.
    const QFontMetrics metrics = parentWidget() ? parentWidget()->fontMetrics() : fontMetrics();
    const int wide = metrics.horizontalAdvance(QString(15, QLatin1Char('X')));
    for (int column = 0; column < 3; ++column) m_lvReport->setColumnWidth(column, wide);
    m_lvReport->setColumnWidth(3, metrics.horizontalAdvance(QString(10, QLatin1Char('X'))));

    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(rows.size()));
    for (const reports::FrequencyRow& row : rows) {
        items.push_back(new QTreeWidgetItem(QStringList{Text(row.object), Text(reports::FrequencyText(row.interior)),
                                                        Text(reports::FrequencyText(row.leaf)),
                                                        Text(reports::FrequencyText(row.total))}));
    }
    m_lvReport->addTopLevelItems(items);
}

void frmReport::SetHelpText(const std::string& caption, const std::string& text)
{
    SetMode(ReportMode::HelpText);
    setWindowTitle(Text(caption));
    m_txtReport->setPlainText(Text(text));
}

void frmReport::SetCode(const std::string& code)
{
    SetMode(ReportMode::Code);
    setWindowTitle(QStringLiteral("Enum Select Code"));
    m_code = code;
    m_txtReport->setPlainText(Text(code));
}

void frmReport::SetReport(reports::ReportKind kind, const std::filesystem::path& datFile, const std::string& modelKey)
{
    SetMode(ReportMode::Report);
    m_kind = kind;
    m_datFile = datFile;
    m_modelKey = modelKey;
    m_lstReport->clear();
    if (m_shown) RunReport();
}

void frmReport::showEvent(QShowEvent* event)
{
    if (!m_shown) {
        m_shown = true;
        PlaceWindow();
        if (m_mode == ReportMode::Report) RunReport();
    }
    QDialog::showEvent(event);
}

bool frmReport::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_client && event->type() == QEvent::Resize) PlaceContent();
    return QDialog::eventFilter(watched, event);
}

void frmReport::PlaceWindow()
{
    const QWidget* anchor = parentWidget() ? parentWidget()->window() : this;
    const QScreen* screen = anchor->screen() ? anchor->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    resize(static_cast<int>(area.width() * kContentShare), static_cast<int>(area.height() * kContentShare));
    const ScreenPixels pixels{static_cast<std::int16_t>(std::min(area.width(), 32767)),
                              static_cast<std::int16_t>(std::min(area.height(), 32767))};
    move(area.topLeft() + CenteredOnScreen(pixels, size()));
}

void frmReport::PlaceContent()
{
    const QSize area = m_client->size();
    const auto share = [&area](double part) {
        return QSize(static_cast<int>(area.width() * part), static_cast<int>(area.height() * part));
    };
    m_lstReport->resize(share(kContentShare));
    m_txtReport->resize(share(kContentShare));
    m_lvReport->resize(share(kTableShare));
    for (QWidget* control :
         {static_cast<QWidget*>(m_lstReport), static_cast<QWidget*>(m_lvReport), static_cast<QWidget*>(m_txtReport)})
        CenterControl(*control, "both");
}

void frmReport::RunReport()
{
    // The list starts empty whatever ran before, so a report is never shown twice.
    m_lstReport->clear();
    reports::LineReport report = reports::MakeLineReport(m_kind, m_datFile, m_modelKey);
    setWindowTitle(Text(report.caption));
    QStringList items;
    items.reserve(static_cast<qsizetype>(report.lines.size()));
    for (const std::string& line : report.lines) items.push_back(Text(line));
    m_lstReport->addItems(items);
    if (!report.error) return;
    // Said once the window is on the screen, above it.
    QTimer::singleShot(0, this, [this, message = std::move(*report.error)] { m_prompt.Tell(message); });
}

void frmReport::SortByColumn(int column)
{
    // Every click turns the direction round, whichever column it is on.
    m_ascending = !m_ascending;
    const Qt::SortOrder order = m_ascending ? Qt::AscendingOrder : Qt::DescendingOrder;
    m_lvReport->sortItems(column, order);
    m_lvReport->header()->setSortIndicatorShown(true);
    m_lvReport->header()->setSortIndicator(column, order);
}

void frmReport::CopyCode()
{
    if (m_mode != ReportMode::Code) return;
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(Text(m_code));  // as generated: the text box would give LF for CR LF
    FlashMessage(*this, "Code copied to clipboard", 1.0);
}

}  // namespace arbolith
