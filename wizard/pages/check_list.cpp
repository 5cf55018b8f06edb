#include "wizard/pages/check_list.h"

namespace sl::wizard {
namespace {

Qt::CheckState ToQt(int state) {
    switch (state) {
        case kChecked: return Qt::Checked;
        case kPartlyChecked: return Qt::PartiallyChecked;
        default: return Qt::Unchecked;
    }
}

}  // namespace

void CheckListItemModel::Fill(const ComponentCatalogue& catalogue, int menu) {
    beginResetModel();
    model_.Fill(catalogue, menu);
    endResetModel();
}

void CheckListItemModel::Clear() {
    beginResetModel();
    model_.Clear();
    endResetModel();
}

void CheckListItemModel::Refresh(const ComponentCatalogue& catalogue) {
    model_.Refresh(catalogue);
    if (Count() > 0) emit dataChanged(index(0), index(Count() - 1), {Qt::CheckStateRole});
}

bool CheckListItemModel::SetCheck(int row, int state) {
    if (!model_.SetCheck(row, state)) return false;
    emit dataChanged(index(row), index(row), {Qt::CheckStateRole});
    return true;
}

int CheckListItemModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Count();
}

QVariant CheckListItemModel::data(const QModelIndex& index, int role) const {
    const CheckListEntry* entry = Entry(index.row());
    if (entry == nullptr) return {};
    if (role == Qt::DisplayRole) return QString::fromLatin1(entry->Text);
    if (role == Qt::CheckStateRole) return ToQt(entry->Check);
    return {};
}

Qt::ItemFlags CheckListItemModel::flags(const QModelIndex& index) const {
    if (Entry(index.row()) == nullptr) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable |
           Qt::ItemNeverHasChildren;
}

bool CheckListItemModel::setData(const QModelIndex& index, const QVariant&, int role) {
    if (role != Qt::CheckStateRole || Entry(index.row()) == nullptr) return false;
    if (model_.UserToggle(index.row())) {
        emit dataChanged(index, index, {Qt::CheckStateRole});
        emit checkChanged(index.row());
    }
    return true;
}

ComponentCheckList::ComponentCheckList(QWidget* parent)
    : QListView(parent), items_(new CheckListItemModel(this)) {
    setModel(items_);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
    connect(items_, &CheckListItemModel::checkChanged, this, &ComponentCheckList::checkChanged);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid()) emit selectionChangedTo(current.row());
            });
}

int ComponentCheckList::CurrentIndex() const {
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() : -1;
}

}  // namespace sl::wizard
