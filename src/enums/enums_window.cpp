// SPDX-License-Identifier: MIT
#include "enums/enums_window.h"

#include "dialogs/image_set.h"
#include "dialogs/window_helpers.h"
#include "platform/ini.h"
#include "reports/report_window.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QFocusEvent>
#include <QHeaderView>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <exception>

namespace arbolith {

namespace {

constexpr std::string_view kSection = "EnumForm";
constexpr std::int16_t kDefaultFontSize = 10;

QString Q(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The number an answer starts with (after white space): a sign, digits and
// a fraction. Nothing when it starts with no digit.
std::optional<double> LeadingNumber(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    const std::size_t start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    bool digits = false;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i, digits = true;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i, digits = true;
    }
    if (!digits) return std::nullopt;
    try {
        return std::stod(std::string(text.substr(start, i - start)));
    } catch (const std::exception&) {
        return std::nullopt;  // too large to be a font size anyway
    }
}

}  // namespace

EnumTable TableOf(enums::EnumSource source)
{
    auto shared = std::make_shared<enums::EnumSource>(std::move(source));
    return EnumTable{
        [shared] { return shared->EnumNames(); },
        [shared](std::string_view name) { return shared->Constants(name); },
        [shared](std::string_view text) { return shared->FindConstants(text); },
    };
}

std::int16_t CheckedEnumFontSize(std::int32_t stored)
{
    return stored < 4 || stored > 36 ? kDefaultFontSize : static_cast<std::int16_t>(stored);
}

std::optional<std::int16_t> FontSizeFromAnswer(const std::optional<std::string>& answer)
{
    if (!answer) return std::nullopt;
    const std::optional<double> number = LeadingNumber(*answer);
    if (!number) return kDefaultFontSize;
    // Halves go to the even neighbour, as integer conversion of a number does.
    const double rounded = std::nearbyint(*number);
    if (rounded < 4 || rounded > 36) return kDefaultFontSize;
    return static_cast<std::int16_t>(rounded);
}

frmEnums::frmEnums(Prompt& prompt, std::filesystem::path iniFile, QWidget* parent)
    : QDialog(parent), m_prompt(prompt), m_iniFile(std::move(iniFile))
{
    setObjectName("frmEnums");
    setModal(true);
    CreateControls();
}

frmEnums::~frmEnums() = default;

void frmEnums::CreateControls()
{
    auto* bar = new QMenuBar(this);
    const auto addAction = [this](QMenu* menu, const char* name, const char* caption, auto slot) {
        QAction* action = menu->addAction(QString::fromUtf8(caption));
        action->setObjectName(name);
        connect(action, &QAction::triggered, this, slot);
        m_actions.push_back(action);
    };
    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->setObjectName("mnuFile");
    addAction(file, "mnuClose", "&Close Enums Window", [this] { close(); });
    QMenu* options = bar->addMenu(QStringLiteral("&Options"));
    options->setObjectName("mnuOptions");
    addAction(options, "mnuFindConstant", "&Find Constant", [this] { FindConstant(); });
    addAction(options, "mnuCopyEnum", "&Copy Enum/Constant to Clipboard", [this] { CopyEnumOrConstant(); });
    addAction(options, "mnuCreateEnumSelect", "Create &Enum Select Code", [this] { CreateEnumSelect(); });
    options->addSeparator()->setObjectName("mnuLine1");
    addAction(options, "mnuFontSize", "Change F&ont Size", [this] { ChangeFontSize(); });

    auto* client = new QWidget(this);
    m_splitter = new QSplitter(Qt::Horizontal, client);
    m_splitter->setObjectName("imgSplitter");
    m_splitter->setChildrenCollapsible(false);
    m_trvEnums = new QTreeWidget(m_splitter);
    m_trvEnums->setObjectName("trvEnums");
    m_trvEnums->setHeaderHidden(true);
    m_trvEnums->setRootIsDecorated(false);
    m_lstConstants = new QListWidget(m_splitter);
    m_lstConstants->setObjectName("lstConstants");
    m_splitter->addWidget(m_trvEnums);
    m_splitter->addWidget(m_lstConstants);
    m_splitter->setStretchFactor(1, 1);
    m_trvEnums->installEventFilter(this);
    m_lstConstants->installEventFilter(this);
    connect(m_trvEnums, &QTreeWidget::currentItemChanged, this, [this] { DisplayConstants(); });
    connect(m_splitter, &QSplitter::splitterMoved, this,
            [this] { m_splitTwips = std::max(kMinPaneTwips, PixelsToTwips(m_trvEnums->width())); });

    auto* clientLayout = new QVBoxLayout(client);
    clientLayout->setContentsMargins(3, 3, 3, 3);
    clientLayout->addWidget(m_splitter);

    m_cmdFlash = new QPushButton(QStringLiteral("Flash"), client);
    m_cmdFlash->setObjectName("cmdFlash");
    m_cmdFlash->setFocusPolicy(Qt::NoFocus);
    m_cmdFlash->hide();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setMenuBar(bar);
    layout->addWidget(client);
}

QAction* frmEnums::MenuAction(std::string_view name) const
{
    for (QAction* action : m_actions)
        if (action->objectName() == Q(name)) return action;
    return nullptr;
}

int frmEnums::TwipsToPixels(std::int32_t twips) const
{
    return static_cast<int>(std::lround(twips * logicalDpiX() / 1440.0));
}

std::int32_t frmEnums::PixelsToTwips(int pixels) const
{
    const int dpi = std::max(1, logicalDpiX());
    return static_cast<std::int32_t>(std::lround(pixels * 1440.0 / dpi));
}

bool frmEnums::Load(const std::string& caption, Result<EnumTable> table)
{
    setWindowTitle(Q(caption));
    if (!table) {
        m_prompt.Tell("Error loading enums form. " + table.error().description);
        return false;
    }
    m_table = std::move(*table);

    const auto onError = [this](const std::string& message) { m_prompt.Tell(message); };
    m_splitTwips = std::max(kMinPaneTwips, GetIniLong(kSection, "TreeWidth", 500, m_iniFile, onError));
    m_fontSize = CheckedEnumFontSize(GetIniInteger(kSection, "FontSize", kDefaultFontSize, m_iniFile, onError));
    ApplyFont();
    // Each pane keeps at least the least split position.
    m_trvEnums->setMinimumWidth(TwipsToPixels(kMinPaneTwips));
    m_lstConstants->setMinimumWidth(TwipsToPixels(kMinPaneTwips));
    m_splitter->setSizes({TwipsToPixels(m_splitTwips), std::max(1, width() - TwipsToPixels(m_splitTwips))});
    DisplayEnums();
    setWindowState(windowState() | Qt::WindowMaximized);
    return true;
}

void frmEnums::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    m_splitter->setSizes({TwipsToPixels(m_splitTwips), std::max(1, m_splitter->width() - TwipsToPixels(m_splitTwips))});
    m_trvEnums->setFocus();
}

void frmEnums::ApplyFont()
{
    for (QWidget* pane : {static_cast<QWidget*>(m_trvEnums), static_cast<QWidget*>(m_lstConstants)}) {
        QFont font = pane->font();
        font.setPointSize(m_fontSize);
        pane->setFont(font);
    }
}

void frmEnums::DisplayEnums()
{
    m_lstConstants->clear();
    {
        const QSignalBlocker quiet(m_trvEnums);
        m_trvEnums->clear();
    }
    if (!m_table) return;
    Result<std::vector<std::string>> names = m_table->enumNames();
    if (!names) {
        m_prompt.Tell("Error displaying enums. " + names.error().description);
        return;
    }
    if (names->empty()) {
        m_prompt.Tell("There are no enums for this object library.", PromptIcon::Information);
        return;
    }
    const QIcon icon = CatalogIcon("ModelCatClosed");
    {
        const QSignalBlocker quiet(m_trvEnums);
        for (const std::string& name : *names) {
            auto* item = new QTreeWidgetItem(m_trvEnums, QStringList{Q(name)});
            item->setData(0, Qt::UserRole, Q("Key" + name));
            item->setIcon(0, icon);
        }
        m_trvEnums->setCurrentItem(m_trvEnums->topLevelItem(0));
    }
    DisplayConstants();
}

void frmEnums::DisplayConstants()
{
    m_lstConstants->clear();
    const QTreeWidgetItem* node = m_trvEnums->currentItem();
    if (!m_table || !node) return;
    const std::string name = node->text(0).toStdString();
    Result<std::vector<enums::EnumConstant>> constants = m_table->constants(name);
    if (!constants) {
        m_prompt.Tell("Error displaying enum constants. " + constants.error().description);
        return;
    }
    for (const enums::EnumConstant& constant : *constants) m_lstConstants->addItem(Q(enums::ConstantItem(constant)));
}

std::vector<std::string> frmEnums::ConstantItems() const
{
    std::vector<std::string> items;
    items.reserve(static_cast<std::size_t>(m_lstConstants->count()));
    for (int i = 0; i < m_lstConstants->count(); ++i) items.push_back(m_lstConstants->item(i)->text().toStdString());
    return items;
}

void frmEnums::FindConstant()
{
    const std::optional<std::string> answer =
        m_prompt.Input("Enter name of constant, or portion thereof.", "Find Constant", "");
    if (!answer || answer->empty() || !m_table) return;
    Result<std::vector<enums::ConstantMatch>> matches = m_table->findConstants(*answer);
    if (!matches) {
        m_prompt.Tell("Error C7: " + matches.error().description);
        return;
    }
    if (matches->empty()) {
        m_prompt.Tell("No matches to " + *answer);
        return;
    }
    std::vector<std::string> lines;
    lines.reserve(matches->size());
    for (const enums::ConstantMatch& match : *matches) lines.push_back(enums::MatchItem(match));
    frmReport report(m_prompt, this);
    report.SetLines("Enums for " + *answer, lines);
    report.exec();
}

void frmEnums::CopyEnumOrConstant()
{
    std::string text;
    const char* flash = nullptr;
    try {
        if (m_lastPane == Pane::List) {
            // Nothing selected: nothing to copy, and no success to report.
            const QListWidgetItem* item = m_lstConstants->currentItem();
            if (!item || !item->isSelected()) return;
            text = enums::ConstantCopyText(item->text().toStdString());
            flash = "Constant copied to clipboard";
        } else if (m_lastPane == Pane::Tree) {
            const QTreeWidgetItem* node = m_trvEnums->currentItem();
            if (!node) return;
            text = enums::EnumCopyText(node->text(0).toStdString(), ConstantItems());
            flash = "Enum copied to clipboard";
        } else {
            return;
        }
        QClipboard* clipboard = QApplication::clipboard();
        clipboard->clear();
        clipboard->setText(Q(text));
    } catch (const std::exception& e) {
        m_prompt.Tell(std::string("Error copying constant or enum. ") + e.what());
        return;
    }
    FlashMessage(*this, flash, m_flashSeconds);
}

void frmEnums::CreateEnumSelect()
{
    std::string code;
    try {
        const QTreeWidgetItem* node = m_trvEnums->currentItem();
        const std::string name = node ? node->text(0).toStdString() : std::string();
        code = enums::EnumSelectCode(name, ConstantItems());
    } catch (const std::exception& e) {
        m_prompt.Tell(std::string("Error C5: ") + e.what());
        return;
    }
    frmReport report(m_prompt, this);
    report.SetCode(code);
    report.exec();
}

void frmEnums::ChangeFontSize()
{
    const std::optional<std::int16_t> size =
        FontSizeFromAnswer(m_prompt.Input("Enter new integral font size between 4 and 36.", "Font Size", ""));
    if (!size) return;
    m_fontSize = *size;
    PutIniString(kSection, "FontSize", std::to_string(m_fontSize), m_iniFile,
                 [this](const std::string& message) { m_prompt.Tell(message); });
    ApplyFont();
}

bool frmEnums::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn) {
        // A menu takes the focus while it is open: the commands act on the
        // pane that had it before.
        if (watched == m_trvEnums) m_lastPane = Pane::Tree;
        if (watched == m_lstConstants) m_lastPane = Pane::List;
    }
    return QDialog::eventFilter(watched, event);
}

void frmEnums::done(int result)
{
    if (!m_saved && m_table) {
        m_saved = true;
        if (isVisible() && m_trvEnums->width() > 0)
            m_splitTwips = std::max(kMinPaneTwips, PixelsToTwips(m_trvEnums->width()));
        PutIniString(kSection, "TreeWidth", std::to_string(m_splitTwips), m_iniFile,
                     [this](const std::string& message) { m_prompt.Tell(message); });
    }
    m_table.reset();  // closes the table
    QDialog::done(result);
}

}  // namespace arbolith
