#include "ui/helpviewer.h"

#include <QFile>
#include <QFileInfo>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "platform/services.h"
#include "support/ossorylib.h"

namespace tavrel {

QString helpDocumentTitle(const QUrl &url)
{
    return QFileInfo(url.toLocalFile()).completeBaseName();
}

HelpViewer::HelpViewer(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("helpViewer"));
    m_browser = new QTextBrowser(this);
    m_browser->setOpenLinks(false);
    m_browser->setOpenExternalLinks(false);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    resize(640, 560);
    connect(m_browser, &QTextBrowser::anchorClicked, this, &HelpViewer::followLink);
}

void HelpViewer::showDocument(const QUrl &url)
{
    m_current = url;
    const QString title = helpDocumentTitle(url);
    QFile file(url.toLocalFile());
    if (!url.isLocalFile() || !file.open(QIODevice::ReadOnly)) {
        m_browser->setPlainText(QStringLiteral("The document \"%1\" is missing from the resources folder (%2).")
                                    .arg(title.isEmpty() ? url.toString() : title,
                                         OssoryLib::shared() ? OssoryLib::shared()->resDir() : QString()));
    } else {
        const QString text = QString::fromUtf8(file.readAll());
        m_browser->document()->setBaseUrl(url);
        m_browser->setSearchPaths({QFileInfo(url.toLocalFile()).absolutePath()});
        if (url.path().endsWith(QStringLiteral(".md"), Qt::CaseInsensitive))
            m_browser->setMarkdown(text);
        else if (url.path().endsWith(QStringLiteral(".html"), Qt::CaseInsensitive))
            m_browser->setHtml(text);
        else
            m_browser->setPlainText(text);
    }
    m_browser->document()->setDocumentMargin(16);
    setWindowTitle(title.isEmpty() ? QStringLiteral("Help") : title);
    show();
    raise();
    activateWindow();
}

void HelpViewer::followLink(const QUrl &url)
{
    if (url.scheme().isEmpty() && url.path().isEmpty() && url.hasFragment()) {
        m_browser->scrollToAnchor(url.fragment());
        return;
    }
    // Links between the documents are relative file names ("FAQ.md").
    const QUrl target = m_current.resolved(url);
    if (target.isLocalFile()) {
        showDocument(target);
        return;
    }
    if (platform::Workspace *workspace = platform::services().workspace)
        workspace->openUrl(url);
}

} // namespace tavrel
