// SPDX-License-Identifier: MIT
#include "help/help_viewer_window.h"

#include "platform/text_encoding.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QStyle>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>

namespace arbolith::help {

namespace {

constexpr const char* kViewerName = "frmHelpViewer";
// The addresses of pages read from help files: help://doc<n>/<path>.
const QString kScheme = QStringLiteral("help");

class FileDocument : public HelpDocument {
public:
    explicit FileDocument(HelpFile file) : m_file(std::move(file)) {}
    std::string Name() const override { return m_file.Path().filename().string(); }
    Result<HelpTopic> Topic(const HelpId& id) override { return m_file.Topic(id); }
    Result<HelpTopic> DefaultTopic() override { return m_file.DefaultTopic(); }
    Result<std::string> ReadEntry(std::string_view path) override { return m_file.ReadEntry(path); }

private:
    HelpFile m_file;
};

QString Html(std::string_view bytes)
{
    return QString::fromStdString(DecodeFileText(bytes));
}

QString Escaped(const QString& text)
{
    return text.toHtmlEscaped();
}

QString WithoutFragment(const QUrl& url)
{
    return url.adjusted(QUrl::RemoveFragment).toString();
}

// A link inside a CHM may name a page of "this" file the long way:
// "ms-its:Quill.chm::/a.htm" or "mk:@MSITStore:Quill.chm::/a.htm". Such a
// page is looked for in the file shown, by the part after "::".
std::optional<QString> LongFormPath(const QUrl& url)
{
    if (url.scheme() == kScheme) return std::nullopt;
    const QString whole = QUrl::fromPercentEncoding(url.toString(QUrl::RemoveFragment).toUtf8());
    const qsizetype separator = whole.indexOf(QStringLiteral("::"));
    if (separator < 0) return std::nullopt;
    QString path = whole.mid(separator + 2);
    if (!path.startsWith(u'/')) path.prepend(u'/');
    return path;
}

}  // namespace

Result<std::unique_ptr<HelpDocument>> OpenHelpDocument(const std::filesystem::path& file)
{
    auto opened = HelpFile::Open(file);
    if (!opened) return opened.error();
    return std::unique_ptr<HelpDocument>(std::make_unique<FileDocument>(std::move(*opened)));
}

QRect SplitModePlacement(const QRect& screen, int scaleFactor)
{
    const int top = static_cast<int>(static_cast<long long>(screen.height()) * std::clamp(scaleFactor, 0, 100) / 100);
    return QRect(screen.x(), screen.y() + top, screen.width(), std::max(1, screen.height() - top));
}

QRect BesideMainWindowPlacement(const QRect& mainFrame, const QRect& screen)
{
    QRect area = mainFrame.isValid() ? mainFrame : screen;
    if (screen.isValid()) area = area.intersected(screen);
    if (area.isEmpty()) area = screen;
    const int width = std::max(std::min(480, area.width()), area.width() / 2);
    const int height = std::max(std::min(360, area.height()), area.height() * 9 / 10);
    QRect placed(area.right() + 1 - width, area.y() + (area.height() - height) / 2, width, height);
    if (screen.isValid()) {
        placed.moveLeft(std::clamp(placed.x(), screen.x(), std::max(screen.x(), screen.right() + 1 - width)));
        placed.moveTop(std::clamp(placed.y(), screen.y(), std::max(screen.y(), screen.bottom() + 1 - height)));
    }
    return placed;
}

// --- HelpBrowser -------------------------------------------------------------

HelpBrowser::HelpBrowser(QWidget* parent) : QTextBrowser(parent)
{
    // Links open here (doSetSource sends web addresses to the desktop's
    // browser): Qt's own handling of "external" links would hand the help
    // file's pages to the desktop too.
    setOpenExternalLinks(false);
}

QUrl HelpBrowser::TopicUrl(const HelpTopic& topic)
{
    QUrl url;
    url.setScheme(kScheme);
    url.setHost(QStringLiteral("doc%1").arg(m_documentNumber));
    if (topic.path.empty()) {
        // A WinHelp topic has no page of its own: it gets a made-up one.
        url.setPath(QStringLiteral("/topic%1.htm").arg(++m_topicNumber));
        return url;
    }
    const QUrl inFile = QUrl(QString::fromStdString(topic.path));
    QString path = inFile.path();
    if (!path.startsWith(u'/')) path.prepend(u'/');
    url.setPath(path);
    url.setFragment(inFile.fragment());
    return url;
}

void HelpBrowser::ShowTopic(std::shared_ptr<HelpDocument> document, const HelpTopic& topic)
{
    const bool otherFile = document != m_document || !document;
    if (otherFile) {
        m_document = std::move(document);
        ++m_documentNumber;
        m_topics.clear();
    }
    const QUrl url = TopicUrl(topic);
    m_topics[WithoutFragment(url)] = Html(topic.html);
    Open(url, otherFile);
}

void HelpBrowser::Open(const QUrl& url, bool newHistory)
{
    // The place shown already is only scrolled to again; another anchor of
    // the same page is a step in the history, which setSource makes.
    if (source() == url) {
        if (!url.fragment().isEmpty()) scrollToAnchor(url.fragment());
    } else {
        setSource(url, QTextDocument::HtmlResource);
    }
    // Pages of another file: the history of the last one leads nowhere now.
    if (newHistory) clearHistory();
}

void HelpBrowser::doSetSource(const QUrl& name, QTextDocument::ResourceType type)
{
    // Every page of the help file shown gets a "help:" address, also one a
    // link names the long way, so that its own links resolve against it.
    QUrl url = name.isRelative() && !source().isEmpty() ? source().resolved(name) : name;
    static const QStringList kWeb = {QStringLiteral("http"), QStringLiteral("https"), QStringLiteral("mailto"),
                                     QStringLiteral("ftp")};
    if (kWeb.contains(url.scheme(), Qt::CaseInsensitive)) {
        QDesktopServices::openUrl(url);
        return;
    }
    if (const auto path = LongFormPath(url)) {
        const QString fragment = url.fragment();
        url = QUrl();
        url.setScheme(kScheme);
        url.setHost(QStringLiteral("doc%1").arg(m_documentNumber));
        url.setPath(*path);
        url.setFragment(fragment);
    }
    QTextBrowser::doSetSource(url, type);
}

void HelpBrowser::ShowFile(const std::filesystem::path& file, std::string_view anchor)
{
    QUrl url = QUrl::fromLocalFile(QString::fromStdString(file.string()));
    if (!anchor.empty()) url.setFragment(QString::fromStdString(std::string(anchor)));
    const bool otherFile = m_document != nullptr;
    if (otherFile) {
        m_document.reset();
        ++m_documentNumber;
        m_topics.clear();
    }
    Open(url, otherFile);
}

QVariant HelpBrowser::loadResource(int type, const QUrl& name)
{
    const QUrl url = name.isRelative() ? source().resolved(name) : name;
    const auto longForm = LongFormPath(url);
    if (url.scheme() != kScheme && !longForm) return QTextBrowser::loadResource(type, url);

    if (type == QTextDocument::HtmlResource) {
        const auto given = m_topics.find(WithoutFragment(url));
        if (given != m_topics.end()) return given->second;
    }
    const std::string path = longForm ? longForm->toStdString() : url.path(QUrl::FullyDecoded).toStdString();
    if (!m_document || path.empty() || path == "/") return {};
    auto entry = m_document->ReadEntry(path);
    if (type == QTextDocument::HtmlResource || type == QTextDocument::StyleSheetResource) {
        if (!entry) {
            // Said in the viewer: a broken link is no reason for a message box.
            return QStringLiteral("<p>This page is not in the help file: %1</p><p>%2</p>")
                .arg(Escaped(QString::fromStdString(path)), Escaped(QString::fromStdString(entry.error().description)));
        }
        return Html(*entry);
    }
    if (!entry) return {};
    return QByteArray(entry->data(), static_cast<qsizetype>(entry->size()));
}

// --- frmHelpViewer -----------------------------------------------------------

frmHelpViewer::frmHelpViewer(QWidget* parent) : QWidget(parent)
{
    setObjectName(QString::fromLatin1(kViewerName));
    setWindowFlag(Qt::Window);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    auto* buttons = new QHBoxLayout;
    m_back = new QToolButton(this);
    m_back->setObjectName(QStringLiteral("cmdBack"));
    m_back->setIcon(style()->standardIcon(QStyle::SP_ArrowBack));
    m_back->setToolTip(QStringLiteral("Back (Alt+Left)"));
    m_back->setEnabled(false);
    m_forward = new QToolButton(this);
    m_forward->setObjectName(QStringLiteral("cmdForward"));
    m_forward->setIcon(style()->standardIcon(QStyle::SP_ArrowForward));
    m_forward->setToolTip(QStringLiteral("Forward (Alt+Right)"));
    m_forward->setEnabled(false);
    buttons->addWidget(m_back);
    buttons->addWidget(m_forward);
    buttons->addStretch();
    layout->addLayout(buttons);
    m_browser = new HelpBrowser(this);
    m_browser->setObjectName(QStringLiteral("txtTopic"));
    layout->addWidget(m_browser);

    connect(m_back, &QToolButton::clicked, m_browser, &QTextBrowser::backward);
    connect(m_forward, &QToolButton::clicked, m_browser, &QTextBrowser::forward);
    connect(m_browser, &QTextBrowser::backwardAvailable, m_back, &QToolButton::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, m_forward, &QToolButton::setEnabled);
    connect(m_browser, &QTextBrowser::sourceChanged, this, [this] { SetCaption(); });
    SetCaption();
}

void frmHelpViewer::ShowTopic(std::shared_ptr<HelpDocument> document, const HelpTopic& topic)
{
    m_fileName = document ? QString::fromStdString(document->Name()) : QString();
    m_browser->ShowTopic(std::move(document), topic);
    // A WinHelp topic's title is not in its HTML's head.
    if (m_browser->documentTitle().isEmpty() && !topic.title.empty())
        m_browser->document()->setMetaInformation(QTextDocument::DocumentTitle, QString::fromStdString(topic.title));
    SetCaption();
}

void frmHelpViewer::ShowFile(const std::filesystem::path& file, std::string_view anchor)
{
    m_fileName.clear();
    m_browser->ShowFile(file, anchor);
    SetCaption();
}

void frmHelpViewer::SetCaption()
{
    QStringList parts;
    if (!m_fileName.isEmpty()) parts << m_fileName;
    const QString title = m_browser->documentTitle().simplified();
    if (!title.isEmpty()) parts << title;
    if (parts.isEmpty()) parts << QStringLiteral("Help");
    setWindowTitle(parts.join(QStringLiteral(" - ")));
}

frmHelpViewer& HelpViewerOf(QWidget& owner, bool* isNew)
{
    frmHelpViewer* viewer = ExistingHelpViewer(owner);
    if (isNew) *isNew = viewer == nullptr;
    if (!viewer) viewer = new frmHelpViewer(&owner);
    return *viewer;
}

frmHelpViewer* ExistingHelpViewer(QWidget& owner)
{
    return dynamic_cast<frmHelpViewer*>(
        owner.findChild<QWidget*>(QString::fromLatin1(kViewerName), Qt::FindDirectChildrenOnly));
}

}  // namespace arbolith::help
