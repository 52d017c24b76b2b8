#pragma once

#include "TitleBarDrag.h"

#include <QDialog>
#include <QMetaObject>
#include <QPoint>
#include <QScopedPointer>

class QLightBoxWidget;

// Base of the client's dialogs: a frameless, translucent window that paints
// its own drop shadow into fixed contents margins, is dragged by a title
// widget of the subclass's form and closes from that title's close button.
class QBaseDialog : public QDialog
{
    Q_OBJECT

public:
    explicit QBaseDialog(QWidget* parent = nullptr);
    ~QBaseDialog() override;

    // Called once by each subclass after building its form, with its "frameTitle".
    void SetTitleBar(QWidget* titleBar);
    // Dims `host` (or the first main window when null) while the dialog shows.
    void EnableLightBox(QWidget* host = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QWidget* m_pHostWidget = nullptr;
    QWidget* m_pTitleBar = nullptr;
    QScopedPointer<QLightBoxWidget> m_pLightBox;
    QMetaObject::Connection m_closeConnection;
    TitleBarDrag m_titleDrag;
};
