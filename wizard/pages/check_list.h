// The check list of the selection page: the rows of one catalogue menu,
// each with a box that shows three states (empty, ticked, shaded for partly
// checked). The user toggles between two states only: a click on the box or
// the space bar turns unchecked into checked and checked or partly checked
// into unchecked; after each change the list emits checkChanged(index)
// before returning. The program can put any of the three states on an entry.
#pragma once

#include <QAbstractListModel>
#include <QListView>

#include "common/catalogue/check_list_model.h"

namespace sl::wizard {

class CheckListItemModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    void Fill(const ComponentCatalogue& catalogue, int menu);
    void Clear();
    // Shows the catalogue's current states on every entry.
    void Refresh(const ComponentCatalogue& catalogue);
    bool SetCheck(int index, int state);
    const CheckListEntry* Entry(int index) const { return model_.EntryAt(index); }
    int Count() const { return model_.Count(); }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // A check change from the view is the user's toggle, whatever value the
    // view proposes.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

signals:
    void checkChanged(int index);

private:
    CheckListModel model_;
};

class ComponentCheckList : public QListView {
    Q_OBJECT
public:
    explicit ComponentCheckList(QWidget* parent = nullptr);

    CheckListItemModel& Items() { return *items_; }
    // The selected entry, -1 when none.
    int CurrentIndex() const;

signals:
    void checkChanged(int index);
    void selectionChangedTo(int index);

private:
    CheckListItemModel* items_;
};

}  // namespace sl::wizard
