// SPDX-License-Identifier: MIT
#include "app/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTreeView>

#include <algorithm>
#include <utility>
#include <vector>

namespace arbolith {

// The grip between the tree and the member panes. It draws nothing; it
// shows the resize cursor and hands the drag to the window.
class SplitterGrip : public QWidget {
public:
    SplitterGrip(frmZVMain& window, QWidget* parent) : QWidget(parent), m_window(window)
    {
        setCursor(Qt::SplitHCursor);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() != Qt::LeftButton) return;
        m_pressX = event->position().x();
        m_window.BeginSplitterDrag();
    }
    void mouseMoveEvent(QMouseEvent* event) override
    {
        if (event->buttons() & Qt::LeftButton)
            m_window.DragSplitter(static_cast<int>(event->position().x() - m_pressX));
    }
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton) m_window.EndSplitterDrag();
    }

private:
    frmZVMain& m_window;
    double m_pressX = 0;
};

namespace {

// The client area: lays the controls out again whenever its size changes.
class ClientArea : public QWidget {
public:
    ClientArea(frmZVMain& window) : QWidget(&window), m_window(window) {}

protected:
    void resizeEvent(QResizeEvent*) override { m_window.LayOutAgain(); }

private:
    frmZVMain& m_window;
};

double DpiX(const QWidget& w)
{
    return w.screen() ? w.screen()->logicalDotsPerInchX() : 96.0;
}
double DpiY(const QWidget& w)
{
    return w.screen() ? w.screen()->logicalDotsPerInchY() : 96.0;
}

QTreeView* MakeTree(QWidget* parent, const char* name)
{
    auto* tree = new QTreeView(parent);
    tree->setObjectName(name);
    tree->setHeaderHidden(true);
    // Every row the same height lets the view skip measuring rows: the
    // object tree holds up to a million nodes.
    tree->setUniformRowHeights(true);
    return tree;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const char* caption)
{
    auto* label = new QLabel(QString::fromUtf8(caption), parent);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

// The primary screen's size and every screen's area on the desktop, the
// primary one first, in twips.
std::pair<ScreenSize, std::vector<ScreenArea>> DesktopScreens()
{
    const QScreen* main = QGuiApplication::primaryScreen();
    if (!main) return {};
    std::vector<ScreenArea> screens;
    for (const QScreen* s : QGuiApplication::screens()) {
        const QRect r = s->geometry();
        const double dx = s->logicalDotsPerInchX(), dy = s->logicalDotsPerInchY();
        const ScreenArea area{PixelsToTwips(r.x(), dx), PixelsToTwips(r.y(), dy), PixelsToTwips(r.width(), dx),
                              PixelsToTwips(r.height(), dy)};
        screens.insert(s == main ? screens.begin() : screens.end(), area);
    }
    return {ScreenSize{screens.front().width, screens.front().height}, std::move(screens)};
}

}  // namespace

frmZVMain::frmZVMain(AppFolders folders, ScreenPixels screen, Prompt& prompt, MainWindowHooks& hooks, QWidget* parent)
    : QMainWindow(parent), m_folders(std::move(folders)), m_screen(screen), m_prompt(prompt), m_hooks(hooks)
{
    setObjectName("frmZVMain");
    setWindowTitle(QApplication::applicationDisplayName());
    CreateControls();
    CreateMenus();
    setMinimumWidth(ToPixelsX(kMinimumWindowWidth));
}

frmZVMain::~frmZVMain()
{
    // The windows opened from this one go first, while it is whole: one that
    // finishes work as it goes (the wizard making a model) may still call
    // back into it.
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child->isWindow()) delete child;
}

void frmZVMain::CreateControls()
{
    auto* client = new ClientArea(*this);
    client->setObjectName("frmZVMainClient");
    setCentralWidget(client);

    // Created first so that every other control lies above it.
    m_imgSplitter = new SplitterGrip(*this, client);
    m_imgSplitter->setObjectName("imgSplitter");

    m_txtStatus = new QPlainTextEdit(client);
    m_txtStatus->setObjectName("txtStatus");
    m_txtStatus->setReadOnly(true);

    m_lblNodes = MakeLabel(client, "lblNodes", "Nodes");
    m_lblDefault = MakeLabel(client, "lblDefault", "Default:");
    m_lblProps = MakeLabel(client, "lblProps", "Properties");
    m_lblMethods = MakeLabel(client, "lblMethods", "Methods");

    m_trvObjects = MakeTree(client, "trvObjects");
    m_trvProps = MakeTree(client, "trvProps");
    m_trvMethods = MakeTree(client, "trvMethods");

    m_picSplitter = new QFrame(client);
    m_picSplitter->setObjectName("picSplitter");
    m_picSplitter->setAutoFillBackground(true);
    m_picSplitter->setBackgroundRole(QPalette::Highlight);
    m_picSplitter->hide();

    m_cmdFlash = new QPushButton(QStringLiteral("Flash"), client);
    m_cmdFlash->setObjectName("cmdFlash");
    m_cmdFlash->setFocusPolicy(Qt::NoFocus);
    m_cmdFlash->hide();

    setTabOrder(m_trvObjects, m_trvProps);
    setTabOrder(m_trvProps, m_trvMethods);
    setTabOrder(m_trvMethods, m_txtStatus);
}

QWidget* frmZVMain::imgSplitter() const
{
    return m_imgSplitter;
}
QWidget* frmZVMain::picSplitter() const
{
    return m_picSplitter;
}

std::int32_t frmZVMain::ToPixelsX(std::int32_t twips) const
{
    return TwipsToPixels(twips, DpiX(*this));
}
std::int32_t frmZVMain::ToPixelsY(std::int32_t twips) const
{
    return TwipsToPixels(twips, DpiY(*this));
}
std::int32_t frmZVMain::ToTwipsX(std::int32_t pixels) const
{
    return PixelsToTwips(pixels, DpiX(*this));
}
std::int32_t frmZVMain::ToTwipsY(std::int32_t pixels) const
{
    return PixelsToTwips(pixels, DpiY(*this));
}

IniErrorSink frmZVMain::ReportIniErrors()
{
    return [this](const std::string& message) { m_prompt.Tell(message, PromptIcon::Exclamation); };
}

void frmZVMain::ReadINIFile()
{
    const auto [primary, screens] = DesktopScreens();
    m_settings = ReadSettings(m_folders.settingsFile, primary, ReportIniErrors(), screens);

    MenuAction("mnuAutoHelp")->setChecked(m_settings.autoHelp);
    SetAutoHelpCaption();
    MenuAction("mnuShowOrigin")->setChecked(m_settings.showOrigin);
    MenuAction("mnuShowChildCount")->setChecked(m_settings.showChildCount);
    MenuAction("mnuShowFlags")->setChecked(m_settings.showFlags);
    MenuAction("mnuShowMember")->setChecked(m_settings.showMember);
    MenuAction("mnuSplitMode")->setChecked(m_settings.splitMode);

    // The splitter: the tree is TreeWidth wide, also for a window closed
    // before it was ever laid out.
    m_splitPosition = m_settings.treeWidth;
    m_layout.trvObjects.width = m_settings.treeWidth;

    // The normal place is set in every state, so that leaving the maximised
    // state brings the window back to where it was.
    m_lastRect = m_settings.startRect;
    SetGeometryTwips(m_settings.startRect);
    m_lastState = m_settings.startState == static_cast<std::int16_t>(WindowState::Normal) ? WindowState::Normal
                                                                                          : WindowState::Maximised;
    setWindowState(m_lastState == WindowState::Maximised ? Qt::WindowMaximized : Qt::WindowNoState);

    ApplyFontSizes();
}

void frmZVMain::SetAutoHelpCaption()
{
    QAction* flag = MenuAction("mnuAutoHelpFlag");
    flag->setText(m_settings.autoHelp ? QStringLiteral("(AutoHelpOn)") : QString());
    // An empty entry would still take room in the menu bar.
    flag->setVisible(m_settings.autoHelp);
}

void frmZVMain::SetCurrentLibrary(std::string library)
{
    m_currentLibrary = std::move(library);
}

LayoutMetrics frmZVMain::MeasureLayout() const
{
    LayoutMetrics m;
    const QWidget* client = centralWidget();
    m.innerWidth = ToTwipsX(client->width());
    m.innerHeight = ToTwipsY(client->height());

    // Three lines of the status box's text, with its frame and margins around
    // them and two spare pixels, so that three lines show without a scroll bar.
    const QFontMetrics status(m_txtStatus->font());
    const QMargins margins = m_txtStatus->contentsMargins();
    const int chrome =
        margins.top() + margins.bottom() + 2 * static_cast<int>(m_txtStatus->document()->documentMargin()) + 2;
    m.statusHeight = ToTwipsY(3 * status.lineSpacing() + chrome);

    const QFontMetrics label(m_lblNodes->font());
    // A little air below the labels, so that they do not touch the panes.
    m.labelHeight = ToTwipsY(label.height() + label.height() / 3);
    // Room for a four-digit count, or for the caption when it needs more
    // (a large tree, or both "(Hid)" and "(Ext)"), and a few pixels so that
    // rounding to twips never clips its last letter.
    const QMargins labelMargins = m_lblNodes->contentsMargins();
    m.nodesLabelWidth = ToTwipsX(std::max(label.horizontalAdvance(QStringLiteral("Nodes: XXXX (Hid)")),
                                          label.horizontalAdvance(m_lblNodes->text())) +
                                 labelMargins.left() + labelMargins.right() + 2 * m_lblNodes->margin() + 4);
    return m;
}

void frmZVMain::PlaceControl(QWidget* control, const TwipsRect& r) const
{
    // Edges are converted, not sizes, so that neighbours meet without a
    // one-pixel gap or overlap from rounding.
    const int left = ToPixelsX(r.left), top = ToPixelsY(r.top);
    control->setGeometry(left, top, ToPixelsX(r.Right()) - left, ToPixelsY(r.Bottom()) - top);
}

void frmZVMain::LayOutAgain()
{
    SizeControls(m_splitPosition);
}

void frmZVMain::SizeControls(std::int32_t splitPosition)
{
    m_splitPosition = splitPosition;
    m_layout = arbolith::SizeControls(MeasureLayout(), splitPosition);
    PlaceControl(m_txtStatus, m_layout.txtStatus);
    PlaceControl(m_lblNodes, m_layout.lblNodes);
    PlaceControl(m_lblDefault, m_layout.lblDefault);
    PlaceControl(m_lblProps, m_layout.lblProps);
    PlaceControl(m_lblMethods, m_layout.lblMethods);
    PlaceControl(m_trvObjects, m_layout.trvObjects);
    PlaceControl(m_trvProps, m_layout.trvProps);
    PlaceControl(m_trvMethods, m_layout.trvMethods);
    PlaceControl(m_imgSplitter, m_layout.imgSplitter);
    PlaceControl(m_picSplitter, m_layout.picSplitter);
    m_picSplitter->raise();
}

void frmZVMain::BeginSplitterDrag()
{
    PlaceControl(m_picSplitter, m_layout.picSplitter);
    m_picSplitter->raise();
    m_picSplitter->show();
    m_dragging = true;
}

void frmZVMain::DragSplitter(int mouseOffsetPixels)
{
    if (!m_dragging) return;
    TwipsRect bar = m_layout.picSplitter;
    bar.left = DragBarLeft(m_layout.imgSplitter.left, ToTwipsX(mouseOffsetPixels), ToTwipsX(centralWidget()->width()),
                           m_layout.minimumGripLeft);
    m_layout.picSplitter = bar;
    PlaceControl(m_picSplitter, bar);
}

void frmZVMain::EndSplitterDrag()
{
    if (!m_dragging) return;
    m_dragging = false;
    m_picSplitter->hide();
    SizeControls(SplitPositionForGrip(m_layout, m_layout.picSplitter.left));
}

void frmZVMain::ApplyFontSizes()
{
    arbolith::ApplyFontSizes(m_settings.fonts,
                             FontTargets{centralWidget(), m_txtStatus, m_trvObjects, m_trvProps, m_trvMethods});
    LayOutAgain();
}

void frmZVMain::FlashMessage(std::string_view message, double seconds)
{
    arbolith::FlashMessage(*this, message, seconds);
}

WindowState frmZVMain::CurrentState() const
{
    const Qt::WindowStates s = windowState();
    if (s & Qt::WindowMinimized) return WindowState::Minimised;
    if (s & (Qt::WindowMaximized | Qt::WindowFullScreen)) return WindowState::Maximised;
    return WindowState::Normal;
}

WindowRect frmZVMain::CurrentRect() const
{
    return WindowRect{ToTwipsY(y()), ToTwipsX(x()), ToTwipsX(width()), ToTwipsY(height())};
}

void frmZVMain::SetGeometryTwips(const WindowRect& r)
{
    move(ToPixelsX(r.left), ToPixelsY(r.top));
    resize(ToPixelsX(r.width), ToPixelsY(r.height));
}

void frmZVMain::RememberPlace()
{
    const WindowState state = CurrentState();
    if (state == WindowState::Minimised) return;
    m_lastState = state;
    if (state == WindowState::Normal) m_lastRect = CurrentRect();
}

void frmZVMain::ToggleSplitMode(std::string_view state)
{
    const bool on = state == "On" ? true : state == "Off" ? false : !m_settings.splitMode;
    m_settings.splitMode = on;
    MenuAction("mnuSplitMode")->setChecked(on);
    if (!on) {
        setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowMaximized);
        return;
    }
    // The top of the screen at its full width, ScaleFactor percent of its
    // height; the rest of the screen is left for help windows.
    setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
    const QRect g = screen() ? screen()->geometry() : QRect();
    const int frameWidth = frameGeometry().width() - width();
    const std::int32_t heightTwips =
        static_cast<std::int32_t>(static_cast<std::int64_t>(ToTwipsY(g.height())) * m_settings.scaleFactor / 100);
    SetGeometryTwips(WindowRect{ToTwipsY(g.y()), ToTwipsX(g.x()), ToTwipsX(g.width() - frameWidth), heightTwips});
}

void frmZVMain::Exit()
{
    close();
}

void frmZVMain::FlipSplitMode()
{
    ToggleSplitMode("");
}

void frmZVMain::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    RememberPlace();
}

void frmZVMain::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    // Remembered on moves too, so that minimising after a move (without a
    // resize) keeps the place the window was moved to.
    RememberPlace();
}

void frmZVMain::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        if (CurrentState() == WindowState::Minimised)
            WriteBeforeMinSettings(m_folders.settingsFile, m_lastState, m_lastRect, ReportIniErrors());
        else
            RememberPlace();
    } else if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        MenusEnabled(ModelOpen());
    }
}

void frmZVMain::SaveSettings()
{
    const WindowState state = CurrentState();
    const ClosingState closing{state, state == WindowState::Normal ? CurrentRect() : m_lastRect,
                               m_layout.trvObjects.width, m_currentLibrary};
    WriteClosingSettings(m_folders.settingsFile, m_settings, closing, ReportIniErrors());
}

void frmZVMain::closeEvent(QCloseEvent* event)
{
    if (!m_closed) {
        m_closed = true;
        SaveSettings();
    }
    // Every other window of the program closes with the main window.
    for (QWidget* other : QApplication::topLevelWidgets()) {
        if (other != this && other->isVisible()) other->close();
    }
    event->accept();
}

}  // namespace arbolith
