// SPDX-License-Identifier: MIT
#include "diagram/diagram_window.h"

#include "diagram/svg_picture.h"
#include "platform/files.h"
#include "platform/text_encoding.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QGraphicsItem>
#include <QGraphicsScene>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QSvgRenderer>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace arbolith::diagram {

namespace {

// The drawing as one scene item, one scene unit per point, so that the
// layout's node boxes are scene rectangles as they are.
class SvgItem : public QGraphicsItem {
public:
    SvgItem(const std::string& svg, QSizeF size)
        : m_renderer(QByteArray(svg.data(), static_cast<qsizetype>(svg.size()))), m_size(size)
    {
    }
    QRectF boundingRect() const override { return {QPointF(0, 0), m_size}; }
    void paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) override
    {
        m_renderer.render(painter, boundingRect());
    }

private:
    QSvgRenderer m_renderer;
    QSizeF m_size;
};

constexpr double kZoomStep = 1.25;
constexpr int kClickSlack = 4;  // pixels a press may move and still be a click

}  // namespace

DiagramView::DiagramView(QWidget* parent) : QGraphicsView(parent)
{
    setDragMode(QGraphicsView::ScrollHandDrag);
    setTransformationAnchor(QGraphicsView::AnchorUnderMouse);
    setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
    setBackgroundBrush(Qt::white);
}

void DiagramView::ZoomBy(double factor)
{
    // Kept between a hundredth and forty times life size.
    const double now = transform().m11();
    const double next = std::clamp(now * factor, 0.01, 40.0);
    if (now > 0) scale(next / now, next / now);
}

void DiagramView::wheelEvent(QWheelEvent* event)
{
    const int delta = event->angleDelta().y();
    if (delta == 0) return QGraphicsView::wheelEvent(event);
    ZoomBy(std::pow(kZoomStep, delta / 120.0));
    event->accept();
}

void DiagramView::mousePressEvent(QMouseEvent* event)
{
    m_pressedAt = event->position().toPoint();
    QGraphicsView::mousePressEvent(event);
}

void DiagramView::mouseReleaseEvent(QMouseEvent* event)
{
    QGraphicsView::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton &&
        (event->position().toPoint() - m_pressedAt).manhattanLength() <= kClickSlack && clicked)
        clicked(mapToScene(event->position().toPoint()));
}

struct frmDiagram::Outcome {
    std::uint64_t request = 0;
    NeighbourhoodGraph graph;
    std::string dot;
    std::optional<LaidOutDiagram> laidOut;
    std::string error;
};

frmDiagram::frmDiagram(Source source, Prompt& prompt, QWidget* parent)
    : QWidget(parent, Qt::Window), m_source(std::move(source)), m_prompt(prompt), m_task(this)
{
    setObjectName("frmDiagram");
    const browser::ObjectModel& model = *m_source.model;
    const std::string rootName = m_source.root >= 0 && static_cast<std::size_t>(m_source.root) < model.objects.size()
                                     ? model.objects[static_cast<std::size_t>(m_source.root)].name
                                     : std::string();
    setWindowTitle(QString::fromStdString("Diagram of " + rootName + " - " + m_source.modelName));

    m_depth = new QSpinBox(this);
    m_depth->setObjectName("spnDepth");
    m_depth->setRange(0, 1000);
    m_depth->setValue(std::clamp(m_source.depth, 0, 1000));
    m_whole = new QCheckBox("&Whole model", this);
    m_whole->setObjectName("chkWholeModel");
    auto* depthLabel = new QLabel("&Depth:", this);
    depthLabel->setBuddy(m_depth);
    const auto button = [this](const char* name, const char* caption, void (frmDiagram::*run)()) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        connect(b, &QPushButton::clicked, this, [this, run] { (this->*run)(); });
        return b;
    };
    auto* tools = new QHBoxLayout;
    tools->addWidget(depthLabel);
    tools->addWidget(m_depth);
    tools->addWidget(m_whole);
    tools->addStretch();
    tools->addWidget(button("cmdZoomIn", "Zoom &In", &frmDiagram::ZoomIn));
    tools->addWidget(button("cmdZoomOut", "Zoom &Out", &frmDiagram::ZoomOut));
    tools->addWidget(button("cmdFit", "&Fit", &frmDiagram::FitToWindow));
    tools->addWidget(button("cmdExport", "&Export...", &frmDiagram::Export));

    m_scene = new QGraphicsScene(this);
    m_view = new DiagramView(this);
    m_view->setObjectName("viewDiagram");
    m_view->setScene(m_scene);
    m_view->clicked = [this](QPointF at) { ClickAt(at); };
    m_status = new QLabel(this);
    m_status->setObjectName("lblStatus");
    m_status->setWordWrap(true);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(tools);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_status);
    resize(900, 600);

    chooseExportFile = [](QWidget* parent) -> std::optional<std::filesystem::path> {
        const QString file = QFileDialog::getSaveFileName(
            parent, "Export Diagram", QString(), "SVG drawing (*.svg);;PNG picture (*.png);;DOT text (*.dot *.gv)");
        if (file.isEmpty()) return std::nullopt;
        return std::filesystem::path(file.toStdString());
    };
    connect(m_depth, &QSpinBox::valueChanged, this, [this] { Request(); });
    connect(m_whole, &QCheckBox::toggled, this, [this](bool whole) {
        m_depth->setEnabled(!whole);
        Request();
    });
    Request();
}

frmDiagram::~frmDiagram()
{
    // A layout still running finishes here, while every member is alive;
    // its result is dropped.
    m_closing = true;
    m_task.WaitForFinished();
}

void frmDiagram::SetDepth(int depth)
{
    m_depth->setValue(depth);
}
int frmDiagram::Depth() const
{
    return m_depth->value();
}
void frmDiagram::SetWholeModel(bool whole)
{
    m_whole->setChecked(whole);
}

void frmDiagram::Request()
{
    ++m_requested;
    m_status->setText("Laying out...");
    // A running layout cannot be stopped inside Graphviz; the newest request
    // starts when it ends, and its result is dropped.
    if (!m_task.IsRunning()) StartLayout();
}

void frmDiagram::StartLayout()
{
    auto outcome = std::make_shared<Outcome>();
    outcome->request = m_running = m_requested;
    GraphRequest request;
    request.root = m_source.root;
    request.depth = m_depth->value();
    request.wholeModel = m_whole->isChecked();
    request.showHidden = m_source.showHidden;
    request.showExternal = m_source.showExternal;
    std::shared_ptr<const browser::ObjectModel> model = m_source.model;
    m_task.Start(
        [outcome, request, model] {
            auto graph = CollectNeighbourhood(*model, request);
            if (!graph) {
                outcome->error = graph.error().description;
                return;
            }
            outcome->graph = std::move(*graph);
            outcome->dot = WriteDot(*model, outcome->graph);
            auto laidOut = LayOutDot(outcome->dot);
            if (laidOut)
                outcome->laidOut = std::move(*laidOut);
            else
                outcome->error = laidOut.error().description;
        },
        [this, outcome] {
            if (m_closing) return;
            if (outcome->request == m_requested)
                Show(outcome);
            else
                StartLayout();
        });
}

void frmDiagram::Show(std::shared_ptr<Outcome> outcome)
{
    m_shownRequest = outcome->request;
    m_scene->clear();
    if (!outcome->laidOut) {
        m_shown.reset();
        m_shownGraph.reset();
        m_shownDot.clear();
        m_status->setText(QString::fromStdString("The diagram could not be made: " + outcome->error));
        return;
    }
    auto shown = std::make_shared<LaidOutDiagram>(std::move(*outcome->laidOut));
    m_scene->addItem(new SvgItem(shown->svg, QSizeF(shown->width, shown->height)));
    m_scene->setSceneRect(0, 0, shown->width, shown->height);
    m_shown = std::move(shown);
    m_shownGraph = std::make_shared<NeighbourhoodGraph>(std::move(outcome->graph));
    m_shownDot = std::move(outcome->dot);
    const std::string note = CapNote(*m_shownGraph);
    m_status->setText(QString::fromStdString(note.empty() ? std::to_string(m_shownGraph->nodes.size()) + " objects, " +
                                                                std::to_string(m_shownGraph->edges.size()) +
                                                                " edges. Click an object to select it in the tree."
                                                          : note));
    FitToWindow();
}

bool frmDiagram::WaitForLayout(int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (m_shownRequest != m_requested || m_task.IsRunning()) {
        if (timer.elapsed() > timeoutMs) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

QString frmDiagram::StatusText() const
{
    return m_status->text();
}

void frmDiagram::ZoomIn()
{
    m_view->ZoomBy(kZoomStep);
}
void frmDiagram::ZoomOut()
{
    m_view->ZoomBy(1 / kZoomStep);
}

void frmDiagram::FitToWindow()
{
    if (!m_shown) return;
    m_view->fitInView(m_scene->sceneRect(), Qt::KeepAspectRatio);
    // A small graph is not blown up past life size.
    if (m_view->transform().m11() > 1) m_view->resetTransform();
}

void frmDiagram::ClickAt(QPointF scenePoint)
{
    if (!m_shown) return;
    const std::int32_t object = ObjectAt(m_shown->boxes, scenePoint.x(), scenePoint.y());
    if (object < 0 || !selectObject) return;
    const std::string problem = selectObject(object);
    if (!problem.empty()) m_status->setText(QString::fromStdString(problem));
}

void frmDiagram::Export()
{
    if (!chooseExportFile) return;
    if (const auto file = chooseExportFile(this)) ExportTo(*file);
}

bool frmDiagram::ExportTo(const std::filesystem::path& file)
{
    if (!m_shown) {
        m_prompt.Tell(IsLayingOut() ? "The diagram is still being laid out; export it when it is shown."
                                    : "There is no diagram to export.",
                      PromptIcon::Information);
        return false;
    }
    const std::string extension = AsciiLower(file.extension().string());
    Result<std::string> bytes = Error::Model("");
    if (extension == ".svg")
        bytes = m_shown->svg;
    else if (extension == ".dot" || extension == ".gv")
        bytes = m_shownDot;
    else if (extension == ".png")
        bytes = SvgToPng(m_shown->svg);
    else {
        m_prompt.Tell("Choose a file name ending in .svg, .png or .dot; the format is chosen by it.",
                      PromptIcon::Exclamation);
        return false;
    }
    if (!bytes) {
        m_prompt.Tell("The diagram could not be exported: " + bytes.error().description, PromptIcon::Exclamation);
        return false;
    }
    if (auto written = WriteFileAtomically(file, *bytes); !written) {
        m_prompt.Tell("The diagram could not be saved in " + file.string() + ": " + written.error().description,
                      PromptIcon::Exclamation);
        return false;
    }
    return true;
}

}  // namespace arbolith::diagram
