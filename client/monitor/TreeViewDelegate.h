#pragma once

#include <QPoint>
#include <QStyledItemDelegate>

#include <memory>

class QPushButton;

// Draws small refresh, edit, play and close buttons on the tree row under
// the mouse and turns a click on one into its signal. The buttons stand in
// the same columns on both tree levels; channel rows carry only play and close.
class TreeViewDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    enum Button { Refresh = 0, Edit = 1, Play = 2, Close = 3, ButtonCount = 4 };
    static constexpr int kButtonSize = 24;
    static constexpr int kFirstButtonLeft = 124;

    explicit TreeViewDelegate(QObject* parent = nullptr);
    ~TreeViewDelegate() override;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // Where button `button` of a row with rectangle `row` lies, in view coordinates.
    static QRect ButtonRect(int button, const QRect& row);
    // The first button a row shows: device rows all four, channel rows play and close.
    static int FirstButtonOf(const QModelIndex& index);

signals:
    void playSig(QModelIndex index);
    void closeSig(QModelIndex index);
    void editSig(QModelIndex index);
    void refreshSig(QModelIndex index);

protected:
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

private:
    void EmitButton(int button, const QModelIndex& index);

    int mouseState = -1; // -1 none, 0 over a button, 1 pressed on a button
    QPoint mousePos;
    // Only lend their style sheets to the drawing; never shown.
    std::unique_ptr<QPushButton> buttons[ButtonCount];
};
