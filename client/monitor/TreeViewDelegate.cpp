#include "TreeViewDelegate.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

namespace {

// One sprite of 24-pixel bands (normal, hover, pressed) per button.
QString ButtonStyle(const char* sprite)
{
    return QStringLiteral("QPushButton{border-image:url(%1) 0 0 72 0} "
                          "QPushButton:hover{border-image:url(%1) 24 0 48 0}"
                          "QPushButton:pressed{border-image:url(%1) 48 0 24 0}"
                          "QPushButton:disabled{border-image:url(%1) 42 0 14 0}")
        .arg(QLatin1String(sprite));
}

const char* const kSprites[TreeViewDelegate::ButtonCount] = {
    ":images/preview/singleRefreshDevice.png",
    ":images/preview/leftNavigationEdit.png",
    ":images/preview/leftNavigationPlay.png",
    ":images/preview/closeAll.png",
};

} // namespace

TreeViewDelegate::TreeViewDelegate(QObject* parent) : QStyledItemDelegate(parent)
{
    for (int i = 0; i < ButtonCount; ++i) {
        buttons[i] = std::make_unique<QPushButton>();
        buttons[i]->setStyleSheet(ButtonStyle(kSprites[i]));
    }
}

TreeViewDelegate::~TreeViewDelegate() = default;

QRect TreeViewDelegate::ButtonRect(int button, const QRect& row)
{
    return QRect(kFirstButtonLeft + kButtonSize * button, row.top() + (row.height() - kButtonSize) / 2, kButtonSize,
                 kButtonSize);
}

int TreeViewDelegate::FirstButtonOf(const QModelIndex& index)
{
    return index.parent().isValid() ? Play : Refresh;
}

void TreeViewDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem item(option);
    initStyleOption(&item, index);
    item.state &= ~QStyle::State_HasFocus;
    QStyledItemDelegate::paint(painter, item, index);

    if (index.column() != 0 || !(option.state & QStyle::State_MouseOver))
        return;
    for (int i = FirstButtonOf(index); i < ButtonCount; ++i) {
        QStyleOptionButton button;
        button.rect = ButtonRect(i, option.rect);
        button.state = QStyle::State_Enabled;
        if (button.rect.contains(mousePos))
            button.state |= mouseState == 0 ? QStyle::State_MouseOver
                                            : (mouseState == 1 ? QStyle::State_Sunken : QStyle::State_None);
        QApplication::style()->drawControl(QStyle::CE_PushButton, &button, painter, buttons[i].get());
    }
}

bool TreeViewDelegate::editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                                   const QModelIndex& index)
{
    if (index.column() != 0)
        return false;
    mouseState = -1;
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease || type == QEvent::MouseMove ||
        type == QEvent::MouseButtonDblClick) {
        mousePos = static_cast<QMouseEvent*>(event)->pos();
        for (int i = FirstButtonOf(index); i < ButtonCount; ++i) {
            if (!ButtonRect(i, option.rect).contains(mousePos))
                continue;
            if (type == QEvent::MouseButtonPress)
                mouseState = 1;
            else if (type == QEvent::MouseButtonRelease)
                EmitButton(i, index);
            else if (type == QEvent::MouseMove)
                mouseState = 0;
        }
    }
    return QStyledItemDelegate::editorEvent(event, model, option, index);
}

void TreeViewDelegate::EmitButton(int button, const QModelIndex& index)
{
    switch (button) {
    case Refresh: emit refreshSig(index); break;
    case Edit: emit editSig(index); break;
    case Play: emit playSig(index); break;
    case Close: emit closeSig(index); break;
    default: break;
    }
}
