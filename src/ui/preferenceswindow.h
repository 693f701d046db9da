// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The preferences window: every user preference of the settings store, written as soon as a
// control changes, and the default destination pop-up kept by the controller.
#include <QDialog>

class QCheckBox;
class QComboBox;
class QPushButton;
class QSpinBox;

namespace tavrel {

class AppDelegate;

class PreferencesWindow final : public QDialog
{
    Q_OBJECT

public:
    explicit PreferencesWindow(AppDelegate *delegate, QWidget *parent = nullptr);
    Q_DISABLE_COPY_MOVE(PreferencesWindow)

    // Reads every control back from the store (on each showing, so outside edits show up).
    void load();
    void rememberGeometry() const;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QCheckBox *addCheckBox(const QString &objectName, const QString &text, const QString &key);
    QComboBox *addIndexPopUp(const QString &objectName, const QStringList &items, const QString &key);
    void updateDestinationItems();
    void updateDestinationIndex();
    void updateDependentControls();
    void updateForgetButton();

    AppDelegate *m_delegate;
    QList<QPair<QCheckBox *, QString>> m_checkBoxes;
    QList<QPair<QComboBox *, QString>> m_indexPopUps;
    QCheckBox *m_autoRemove = nullptr;
    QComboBox *m_autoRemoveType = nullptr;
    QComboBox *m_defaultAudio = nullptr;
    QCheckBox *m_reencode = nullptr;
    QSpinBox *m_quality = nullptr;
    QComboBox *m_speed = nullptr;
    QComboBox *m_burnIn = nullptr;
    QComboBox *m_destination = nullptr;
    QPushButton *m_forgetFolder = nullptr;
    bool m_loading = false;
};

// The index a stored integer shows in a pop-up of the given size; values naming no real item
// show the fallback (a separator is never shown as chosen).
int shownPopUpIndex(qint64 stored, int itemCount, int fallback, int separatorIndex = -1);

} // namespace tavrel
