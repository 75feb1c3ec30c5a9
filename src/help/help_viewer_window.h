// SPDX-License-Identifier: MIT
// The help viewer, frmHelpViewer: one window for the whole program that
// shows a library's help topics and Arbolith's own help pages. A topic's
// links and pictures are read from the help file it came from; the
// program's own pages are local HTML files. AutoHelp, F1 on a tree and the
// Help menu all reuse the same window (HelpViewerOf).
#pragma once

#include "help/help_file.h"
#include "platform/result.h"

#include <QRect>
#include <QTextBrowser>
#include <QWidget>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <string_view>

class QToolButton;

namespace arbolith::help {

// An open help file as the viewer and the main window use it. HelpFile
// stands behind it in the program; tests give topics of their own.
class HelpDocument {
public:
    virtual ~HelpDocument() = default;
    // The file's name, for captions ("Quill.chm").
    virtual std::string Name() const = 0;
    virtual Result<HelpTopic> Topic(const HelpId& id) = 0;
    virtual Result<HelpTopic> DefaultTopic() = 0;
    virtual Result<std::string> ReadEntry(std::string_view path) = 0;
};

// Opens a help file for reading (HelpFile::Open).
Result<std::unique_ptr<HelpDocument>> OpenHelpDocument(const std::filesystem::path& file);

// Where the viewer goes in split mode: below the main window, the full width
// of the screen, from ScaleFactor percent of its height down to its bottom.
QRect SplitModePlacement(const QRect& screen, int scaleFactor);
// Where it goes otherwise: over the right part of the main window's frame,
// about half its width, kept on the screen.
QRect BesideMainWindowPlacement(const QRect& mainFrame, const QRect& screen);

// The browser inside the viewer: it reads the pages and pictures of a help
// file's topics through the document they came from.
class HelpBrowser : public QTextBrowser {
public:
    explicit HelpBrowser(QWidget* parent = nullptr);

    // Shows `topic` of `document` (which may be null when its links lead
    // nowhere). Each topic shown gets a place of its own in the history.
    void ShowTopic(std::shared_ptr<HelpDocument> document, const HelpTopic& topic);
    // Shows a local HTML file, at `anchor` when given.
    void ShowFile(const std::filesystem::path& file, std::string_view anchor = {});
    const HelpDocument* Document() const { return m_document.get(); }

protected:
    QVariant loadResource(int type, const QUrl& name) override;
    void doSetSource(const QUrl& name, QTextDocument::ResourceType type) override;

private:
    QUrl TopicUrl(const HelpTopic& topic);
    void Open(const QUrl& url, bool newHistory);

    std::shared_ptr<HelpDocument> m_document;
    // Which document the "help:" addresses belong to; a new document gets a
    // new host name, so a page of the old one is never taken for it.
    int m_documentNumber = 0;
    int m_topicNumber = 0;
    // The HTML of the topics handed in, by their address without fragment.
    std::map<QString, QString> m_topics;
};

class frmHelpViewer : public QWidget {
public:
    explicit frmHelpViewer(QWidget* parent = nullptr);

    void ShowTopic(std::shared_ptr<HelpDocument> document, const HelpTopic& topic);
    void ShowFile(const std::filesystem::path& file, std::string_view anchor = {});

    HelpBrowser* txtTopic() const { return m_browser; }
    QToolButton* cmdBack() const { return m_back; }
    QToolButton* cmdForward() const { return m_forward; }

private:
    void SetCaption();

    HelpBrowser* m_browser = nullptr;
    QToolButton* m_back = nullptr;
    QToolButton* m_forward = nullptr;
    QString m_fileName;
};

// The one viewer of `owner` (the main window): made on first use as a window
// of its own that closes with the owner. `isNew` tells whether it was made now.
frmHelpViewer& HelpViewerOf(QWidget& owner, bool* isNew = nullptr);
// The viewer when `owner` has one, else null.
frmHelpViewer* ExistingHelpViewer(QWidget& owner);

}  // namespace arbolith::help
