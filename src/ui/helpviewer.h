// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A window that shows the bundled help documents (Markdown), with the list of them at the side,
// back and forward through the documents seen, and links between them followed in place; other
// links open in the user's default handler. It opens over the main window the first time and
// where the user left it after that.
#include <QList>
#include <QUrl>
#include <QWidget>

class QAction;
class QListWidget;
class QSplitter;
class QTextBrowser;

namespace tavrel {

struct HelpDocument
{
    QString title; // as in the Help menu
    QUrl url;
};

class HelpViewer final : public QWidget
{
    Q_OBJECT

public:
    explicit HelpViewer(QWidget *parent = nullptr);
    Q_DISABLE_COPY_MOVE(HelpViewer)

    void setDocuments(const QList<HelpDocument> &documents);

    // Loads the document, adds it to the history and brings the window to the front. A missing
    // document shows a short note naming it instead.
    void showDocument(const QUrl &url);
    void back();
    void forward();

    QUrl currentUrl() const;
    QTextBrowser *browser() const { return m_browser; }
    QListWidget *documentList() const { return m_list; }
    QAction *backAction() const { return m_back; }
    QAction *forwardAction() const { return m_forward; }

    void saveState() const;

protected:
    void hideEvent(QHideEvent *event) override;

private:
    void followLink(const QUrl &url);
    void load(const QUrl &url);
    void updateNavigation();
    void present();

    QTextBrowser *m_browser = nullptr;
    QListWidget *m_list = nullptr;
    QSplitter *m_splitter = nullptr;
    QAction *m_back = nullptr;
    QAction *m_forward = nullptr;
    QList<HelpDocument> m_documents;
    QList<QUrl> m_history;
    qsizetype m_position = -1;
    bool m_placed = false;
};

// The document's title as shown in the window title: its base name ("Read Me").
QString helpDocumentTitle(const QUrl &url);

} // namespace tavrel
