#pragma once

#include <QWidget>

#include <memory>

namespace Ui {
class OverTip;
}

// A frameless translucent strip that shows one picture.
class OverTip : public QWidget
{
    Q_OBJECT

public:
    explicit OverTip(QWidget* parent = nullptr);
    ~OverTip() override;

    void SetPicture(const QString& path);

private:
    std::unique_ptr<Ui::OverTip> ui;
};
