// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The panel at the top of the main window that shows the scanned movie: its name and
// information line, the audio and destination pop-ups, Cancel and the add button. It is shown
// while the controller's panel height is not 0, as tall as what it holds. Return adds the movie,
// Escape cancels it.
#include <QFrame>

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace tavrel {

class AppDelegate;

class FilePanel final : public QFrame
{
    Q_OBJECT

public:
    explicit FilePanel(AppDelegate *delegate, QWidget *parent = nullptr);
    Q_DISABLE_COPY_MOVE(FilePanel)

    QPushButton *addButton() const { return m_addButton; }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void updateHeight();
    void updateFile();
    void updateScanning();
    void updateAudioItems();
    void updateAudioIndex();
    void updateDestinationItems();
    void updateDestinationIndex();
    void updateAddButton();
    void focusFirstChoice();
    void updateDestinationToolTip();

    AppDelegate *m_delegate;
    QLabel *m_nameLabel = nullptr;
    QLabel *m_infoLabel = nullptr;
    QComboBox *m_audioPopUp = nullptr;
    QComboBox *m_destinationPopUp = nullptr;
    QProgressBar *m_busy = nullptr;
    QPushButton *m_cancelButton = nullptr;
    QPushButton *m_addButton = nullptr;
    bool m_updating = false; // filling a pop-up from the controller, not a user choice
};

} // namespace tavrel
