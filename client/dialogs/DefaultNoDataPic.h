#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class DefaultNoDataPic;
}

// The placeholder laid over an empty result table: a picture and "无列表数据".
// With a parent it is a frameless child widget, not a window.
class DefaultNoDataPic : public QDialog
{
    Q_OBJECT

public:
    explicit DefaultNoDataPic(QWidget* parent = nullptr);
    ~DefaultNoDataPic() override;

public slots:
    void reTranslateUI();

private:
    std::unique_ptr<Ui::DefaultNoDataPic> ui;
};
