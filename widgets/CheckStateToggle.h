#pragma once

class QAbstractItemModel;
class QEvent;
class QModelIndex;
class QStyleOptionViewItem;

// The check-box toggling the library's item delegates share.
namespace CheckStateToggle {
// A user-checkable, enabled item with a check state, in an enabled view.
bool isToggleable(const QAbstractItemModel* model, const QStyleOptionViewItem& option, const QModelIndex& index);
// Space and Select toggle the focused item.
bool isToggleKey(const QEvent* event);
// Writes the state after the current one: tristate items go round all three,
// others between checked and unchecked.
bool toggle(QAbstractItemModel* model, const QModelIndex& index);
} // namespace CheckStateToggle
