// SPDX-License-Identifier: MIT
// The diagram window (View > Diagram): the neighbourhood of one object,
// laid out by Graphviz and shown zoomable (wheel, buttons, fit) and
// pannable (drag). A click on an object's box asks the main window to
// select that object in its tree; the drawing can be saved as SVG, PNG or
// DOT.
//
// Layout runs on a worker thread, so a large graph never freezes the window;
// when the depth changes while a layout runs, the result of the old request
// is dropped and the newest request is laid out next.
#pragma once

#include "browser/object_model.h"
#include "diagram/graphviz_layout.h"
#include "diagram/object_graph.h"
#include "dialogs/background_task.h"
#include "platform/prompt.h"

#include <QGraphicsView>
#include <QWidget>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QCheckBox;
class QGraphicsScene;
class QLabel;
class QPushButton;
class QSpinBox;

namespace arbolith::diagram {

// The view: the wheel zooms about the pointer, a drag pans, a click that
// did not drag reports the scene point clicked.
class DiagramView : public QGraphicsView {
public:
    explicit DiagramView(QWidget* parent = nullptr);
    std::function<void(QPointF scenePoint)> clicked;
    void ZoomBy(double factor);

protected:
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QPoint m_pressedAt;
};

class frmDiagram : public QWidget {
public:
    // What the window draws from: a copy of the model's graph (the main
    // window may open another model meanwhile) and the tree's settings.
    struct Source {
        std::shared_ptr<const browser::ObjectModel> model;
        std::string modelName;
        std::int32_t root = 0;
        bool showHidden = true;
        bool showExternal = true;
        int depth = 2;  // the depth chooser's first value
    };
    frmDiagram(Source source, Prompt& prompt, QWidget* parent = nullptr);
    ~frmDiagram() override;

    // Asked when a box is clicked; returns a line to show when the object
    // could not be selected ("" when it was).
    std::function<std::string(std::int32_t object)> selectObject;
    // Asks for the file to export to; nothing when the user cancels. The
    // default shows a file dialog.
    std::function<std::optional<std::filesystem::path>(QWidget* parent)> chooseExportFile;

    void SetDepth(int depth);
    int Depth() const;
    void SetWholeModel(bool whole);
    // Serves events until the newest request is shown; false on timeout.
    bool WaitForLayout(int timeoutMs = 30'000);
    bool IsLayingOut() const { return m_task.IsRunning(); }

    // What is shown now (null before the first layout, or after one failed).
    const LaidOutDiagram* Shown() const { return m_shown.get(); }
    const NeighbourhoodGraph* ShownGraph() const { return m_shownGraph.get(); }
    const std::string& ShownDot() const { return m_shownDot; }
    QString StatusText() const;
    DiagramView* View() const { return m_view; }

    void ZoomIn();
    void ZoomOut();
    void FitToWindow();
    // Exports what is shown, its format chosen by the file's extension
    // (.svg, .png, .dot or .gv). Every failure is told through the prompt.
    bool ExportTo(const std::filesystem::path& file);
    void Export();
    // A click at a point of the drawing (in points).
    void ClickAt(QPointF scenePoint);

private:
    struct Outcome;
    void Request();
    void StartLayout();
    void Show(std::shared_ptr<Outcome> outcome);

    Source m_source;
    Prompt& m_prompt;
    BackgroundTask m_task;
    std::uint64_t m_requested = 0;  // bumped by every change of what to draw
    std::uint64_t m_running = 0;    // the request the running layout is for
    std::uint64_t m_shownRequest = 0;
    bool m_closing = false;

    std::shared_ptr<const LaidOutDiagram> m_shown;
    std::shared_ptr<const NeighbourhoodGraph> m_shownGraph;
    std::string m_shownDot;

    QSpinBox* m_depth = nullptr;
    QCheckBox* m_whole = nullptr;
    QLabel* m_status = nullptr;
    DiagramView* m_view = nullptr;
    QGraphicsScene* m_scene = nullptr;
};

}  // namespace arbolith::diagram
