#pragma once
// A window that shows the bundled help documents (Markdown) and follows links between them;
// other links open in the user's default handler.
#include <QUrl>
#include <QWidget>

class QTextBrowser;

namespace tavrel {

class HelpViewer final : public QWidget
{
    Q_OBJECT

public:
    explicit HelpViewer(QWidget *parent = nullptr);
    Q_DISABLE_COPY_MOVE(HelpViewer)

    // Loads the document and brings the window to the front. A missing document shows a short
    // note naming it instead.
    void showDocument(const QUrl &url);
    QTextBrowser *browser() const { return m_browser; }

private:
    void followLink(const QUrl &url);

    QTextBrowser *m_browser = nullptr;
    QUrl m_current;
};

// The document's title as shown in the window title: its base name ("Read Me").
QString helpDocumentTitle(const QUrl &url);

} // namespace tavrel
