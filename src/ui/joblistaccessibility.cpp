// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/joblistaccessibility.h"

#include <QAccessibleWidget>
#include <QPointer>
#include <QWindow>

#include <mutex>

#include "conversion/conversionjob.h"
#include "ui/jobdelegate.h"
#include "ui/joblistmodel.h"
#include "ui/joblistview.h"
#include "ui/jobrowlayout.h"

namespace tavrel {
namespace {

class JobRowAccessible;

// Where a job's row is in the view, or an invalid index once it has left the list.
QModelIndex indexOfJob(const JobListView *view, const ConversionJob *job)
{
    auto *model = view ? qobject_cast<JobListModel *>(view->model()) : nullptr;
    if (!model || !job)
        return {};
    const int row = model->rowOf(job);
    return row < 0 ? QModelIndex() : model->index(row);
}

QRect globalRect(const JobListView *view, const QRect &viewportRect)
{
    return QRect(view->viewport()->mapToGlobal(viewportRect.topLeft()), viewportRect.size());
}

class JobRowButtonAccessible final : public QAccessibleInterface, public QAccessibleActionInterface
{
public:
    JobRowButtonAccessible(JobRowAccessible *row, RowButton button) : m_row(row), m_button(button) {}

    bool isValid() const override;
    QObject *object() const override { return nullptr; }
    QWindow *window() const override;
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QAccessibleInterface *parent() const override;
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text, const QString &) override {}
    QRect rect() const override;
    QAccessible::Role role() const override { return QAccessible::Button; }
    QAccessible::State state() const override;
    void *interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface *>(this) : nullptr;
    }

    QStringList actionNames() const override { return {pressAction()}; }
    QStringList keyBindingsForAction(const QString &) const override { return {}; }
    void doAction(const QString &actionName) override;

    RowButton button() const { return m_button; }

private:
    JobRowAccessible *m_row;
    RowButton m_button;
};

class JobRowAccessible final : public QAccessibleInterface
{
public:
    JobRowAccessible(QAccessibleInterface *list, JobListView *view, ConversionJob *job)
        : m_list(list), m_view(view), m_job(job)
    {
    }
    ~JobRowAccessible() override
    {
        for (QAccessible::Id id : m_buttons)
            if (id)
                QAccessible::deleteAccessibleInterface(id);
    }

    bool isValid() const override { return m_view && m_job && index().isValid(); }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return m_view ? m_view->window()->windowHandle() : nullptr; }
    QAccessibleInterface *childAt(int x, int y) const override
    {
        for (int i = 0; i < childCount(); ++i) {
            QAccessibleInterface *button = child(i);
            if (button && button->rect().contains(x, y))
                return button;
        }
        return nullptr;
    }
    QAccessibleInterface *parent() const override { return m_list; }
    QAccessibleInterface *child(int i) const override
    {
        const QList<RowButton> buttons = shownButtons();
        if (i < 0 || i >= buttons.size())
            return nullptr;
        const RowButton button = buttons.at(i);
        QAccessible::Id &id = m_buttons[int(button)];
        if (!id)
            id = QAccessible::registerAccessibleInterface(
                new JobRowButtonAccessible(const_cast<JobRowAccessible *>(this), button));
        return QAccessible::accessibleInterface(id);
    }
    int childCount() const override { return int(shownButtons().size()); }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        for (int i = 0; i < childCount(); ++i)
            if (this->child(i) == child)
                return i;
        return -1;
    }
    QString text(QAccessible::Text t) const override
    {
        if (!isValid())
            return {};
        switch (t) {
        case QAccessible::Name:
            return index().data(Qt::DisplayRole).toString();
        case QAccessible::Description:
            return index().data(JobListModel::StateInfoRole).toString();
        default:
            return {};
        }
    }
    void setText(QAccessible::Text, const QString &) override {}
    QRect rect() const override { return isValid() ? globalRect(m_view, m_view->visualRect(index())) : QRect(); }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        const QModelIndex at = index();
        s.selectable = true;
        s.focusable = true;
        s.selected = m_view->selectionModel() && m_view->selectionModel()->isSelected(at);
        s.focused = m_view->hasFocus() && m_view->currentIndex() == at;
        return s;
    }

    JobListView *view() const { return m_view; }
    ConversionJob *job() const { return m_job; }
    QModelIndex index() const { return indexOfJob(m_view, m_job); }
    qint32 jobState() const { return index().data(JobListModel::StateRole).toInt(); }
    QList<RowButton> shownButtons() const { return isValid() ? shownRowButtons(jobState()) : QList<RowButton>(); }

private:
    QAccessibleInterface *m_list;
    QPointer<JobListView> m_view;
    QPointer<ConversionJob> m_job;
    mutable QAccessible::Id m_buttons[4] = {}; // by RowButton; 0 = not made yet
};

bool JobRowButtonAccessible::isValid() const
{
    return m_row->isValid() && m_row->shownButtons().contains(m_button);
}

QWindow *JobRowButtonAccessible::window() const
{
    return m_row->window();
}

QAccessibleInterface *JobRowButtonAccessible::parent() const
{
    return m_row;
}

QString JobRowButtonAccessible::text(QAccessible::Text t) const
{
    if (!isValid())
        return {};
    switch (t) {
    case QAccessible::Name:
        return rowButtonName(m_button, m_row->jobState());
    case QAccessible::Description:
        return rowButtonToolTip(m_button, m_row->jobState());
    default:
        return {};
    }
}

QRect JobRowButtonAccessible::rect() const
{
    if (!isValid())
        return {};
    JobListView *view = m_row->view();
    const JobRowGeometry g = jobRowGeometry(view->visualRect(m_row->index()), view->fontMetrics().height());
    const QRect area = m_button == RowButton::PauseContinue ? g.pauseContinue
        : m_button == RowButton::Remove                     ? g.remove
                                                            : g.reveal;
    return globalRect(view, area);
}

QAccessible::State JobRowButtonAccessible::state() const
{
    QAccessible::State s;
    s.invalid = !isValid();
    return s;
}

void JobRowButtonAccessible::doAction(const QString &actionName)
{
    if (actionName != pressAction() || !isValid())
        return;
    // As a click does: on the next turn, since the job may leave the list and this interface go.
    QPointer<ConversionJob> job = m_row->job();
    const RowButton button = m_button;
    QMetaObject::invokeMethod(
        m_row->view(), [job, button] { performRowButton(job, button); }, Qt::QueuedConnection);
}

class JobListAccessible final : public QAccessibleWidget
{
public:
    explicit JobListAccessible(JobListView *view) : QAccessibleWidget(view, QAccessible::List) {}
    ~JobListAccessible() override
    {
        for (const Row &row : std::as_const(m_rows))
            QAccessible::deleteAccessibleInterface(row.id);
    }

    int childCount() const override
    {
        const QAbstractItemModel *model = view()->model();
        return model ? model->rowCount() : 0;
    }
    QAccessibleInterface *child(int index) const override
    {
        auto *model = qobject_cast<JobListModel *>(view()->model());
        ConversionJob *job = model ? model->jobAt(index) : nullptr;
        if (!job)
            return nullptr;
        prune();
        for (const Row &row : std::as_const(m_rows))
            if (row.job == job)
                return QAccessible::accessibleInterface(row.id);
        auto *self = const_cast<JobListAccessible *>(this);
        const QAccessible::Id id = QAccessible::registerAccessibleInterface(new JobRowAccessible(self, view(), job));
        m_rows.append({job, id});
        return QAccessible::accessibleInterface(id);
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        for (int i = 0; i < childCount(); ++i)
            if (this->child(i) == child)
                return i;
        return -1;
    }
    QAccessibleInterface *childAt(int x, int y) const override
    {
        const QPoint local = view()->viewport()->mapFromGlobal(QPoint(x, y));
        const QModelIndex index = view()->indexAt(local);
        return index.isValid() ? child(index.row()) : nullptr;
    }
    QAccessibleInterface *focusChild() const override
    {
        const QModelIndex current = view()->currentIndex();
        return view()->hasFocus() && current.isValid() ? child(current.row()) : nullptr;
    }

private:
    struct Row
    {
        QPointer<ConversionJob> job;
        QAccessible::Id id;
    };

    JobListView *view() const { return static_cast<JobListView *>(widget()); }

    // Rows of jobs that left the list go with them.
    void prune() const
    {
        for (qsizetype i = m_rows.size() - 1; i >= 0; --i) {
            if (indexOfJob(view(), m_rows.at(i).job).isValid())
                continue;
            QAccessible::deleteAccessibleInterface(m_rows.at(i).id);
            m_rows.removeAt(i);
        }
    }

    mutable QList<Row> m_rows;
};

QAccessibleInterface *jobListFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("tavrel::JobListView") && object && object->isWidgetType())
        return new JobListAccessible(static_cast<JobListView *>(object));
    return nullptr;
}

} // namespace

void installJobListAccessibility()
{
    static std::once_flag once;
    std::call_once(once, [] { QAccessible::installFactory(&jobListFactory); });
}

} // namespace tavrel
