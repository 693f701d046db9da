// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/helpviewer.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QSplitter>
#include <QTextBrowser>
#include <QToolBar>
#include <QVBoxLayout>

#include "platform/api/services.h"
#include "support/ossorylib.h"
#include "ui/images.h"
#include "ui/windowstate.h"

namespace tavrel {

namespace {
const QString kGeometryName = QStringLiteral("HelpGeometry");
const QString kSplitterName = QStringLiteral("HelpSplitter");
} // namespace

QString helpDocumentTitle(const QUrl &url)
{
    return QFileInfo(url.toLocalFile()).completeBaseName();
}

HelpViewer::HelpViewer(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("helpViewer"));

    auto *bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("helpToolbar"));
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_back = bar->addAction(themedIcon(QStringLiteral("go-previous"), QString()), QStringLiteral("Back"));
    m_back->setObjectName(QStringLiteral("helpBack"));
    m_back->setShortcut(QKeySequence::Back);
    m_forward = bar->addAction(themedIcon(QStringLiteral("go-next"), QString()), QStringLiteral("Forward"));
    m_forward->setObjectName(QStringLiteral("helpForward"));
    m_forward->setShortcut(QKeySequence::Forward);
    connect(m_back, &QAction::triggered, this, &HelpViewer::back);
    connect(m_forward, &QAction::triggered, this, &HelpViewer::forward);

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("helpDocuments"));
    m_list->setAccessibleName(QStringLiteral("Help documents"));
    connect(m_list, &QListWidget::itemActivated, this,
            [this](QListWidgetItem *item) { showDocument(item->data(Qt::UserRole).toUrl()); });
    connect(m_list, &QListWidget::itemClicked, this, [this](QListWidgetItem *item) {
        if (item->data(Qt::UserRole).toUrl() != currentUrl())
            showDocument(item->data(Qt::UserRole).toUrl());
    });

    m_browser = new QTextBrowser(this);
    m_browser->setOpenLinks(false);
    m_browser->setOpenExternalLinks(false);
    connect(m_browser, &QTextBrowser::anchorClicked, this, &HelpViewer::followLink);

    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->setObjectName(QStringLiteral("helpSplitter"));
    m_splitter->addWidget(m_list);
    m_splitter->addWidget(m_browser);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({170, 560});

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(m_splitter, 1);
    resize(760, 560);
    m_placed = restoreWindowGeometry(this, kGeometryName);
    restoreSplitterState(m_splitter, kSplitterName);
    updateNavigation();
}

void HelpViewer::setDocuments(const QList<HelpDocument> &documents)
{
    m_documents = documents;
    m_list->clear();
    for (const HelpDocument &document : documents) {
        auto *item = new QListWidgetItem(document.title, m_list);
        item->setData(Qt::UserRole, document.url);
    }
    updateNavigation();
}

QUrl HelpViewer::currentUrl() const
{
    return m_position >= 0 && m_position < m_history.size() ? m_history.at(m_position) : QUrl();
}

void HelpViewer::showDocument(const QUrl &url)
{
    if (url != currentUrl()) {
        m_history.resize(m_position + 1); // a new visit ends the way forward
        m_history.append(url);
        m_position = m_history.size() - 1;
    }
    load(url);
    present();
}

void HelpViewer::back()
{
    if (m_position <= 0)
        return;
    --m_position;
    load(currentUrl());
}

void HelpViewer::forward()
{
    if (m_position + 1 >= m_history.size())
        return;
    ++m_position;
    load(currentUrl());
}

void HelpViewer::load(const QUrl &url)
{
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
    updateNavigation();
}

void HelpViewer::updateNavigation()
{
    m_back->setEnabled(m_position > 0);
    m_forward->setEnabled(m_position + 1 < m_history.size());
    const QUrl current = currentUrl();
    QListWidgetItem *shown = nullptr;
    for (int i = 0; i < m_list->count(); ++i)
        if (m_list->item(i)->data(Qt::UserRole).toUrl() == current)
            shown = m_list->item(i);
    m_list->setCurrentItem(shown);
}

void HelpViewer::present()
{
    if (!m_placed) {
        centerOver(this, parentWidget() ? parentWidget()->window() : nullptr);
        m_placed = true;
    }
    show();
    raise();
    activateWindow();
}

void HelpViewer::saveState() const
{
    saveWindowGeometry(this, kGeometryName);
    saveSplitterState(m_splitter, kSplitterName);
}

void HelpViewer::hideEvent(QHideEvent *event)
{
    saveState();
    QWidget::hideEvent(event);
}

void HelpViewer::followLink(const QUrl &url)
{
    if (url.scheme().isEmpty() && url.path().isEmpty() && url.hasFragment()) {
        m_browser->scrollToAnchor(url.fragment());
        return;
    }
    // Links between the documents are relative file names ("FAQ.md").
    const QUrl target = currentUrl().resolved(url);
    if (target.isLocalFile()) {
        showDocument(target);
        return;
    }
    if (platform::Workspace *workspace = platform::services().workspace)
        workspace->openUrl(url);
}

} // namespace tavrel
