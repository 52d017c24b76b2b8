#pragma once

#include "dialogs/QBaseDialog.h"

#include <QList>
#include <QRect>

#include <memory>

class QPropertyAnimation;

namespace Ui {
class IncidentPromptsDialog;
}

// The pop-up of the newest incident at the bottom-right corner of the screen
// the main window is on. It fades out over 20 seconds; a new incident
// replaces its texts and starts the fade again; a left double-click opens the
// incident's detail dialog.
class IncidentPromptsDialog : public QBaseDialog
{
    Q_OBJECT

public:
    static constexpr int kFadeMs = 20000;

    explicit IncidentPromptsDialog(QWidget* parent = nullptr);
    ~IncidentPromptsDialog() override;

    void SetInfo(const QString& iconPath, const QString& typeName, const QString& timeText, const QString& deviceIp,
                 const QString& channelIp, int laneNo);
    // The incident's type code: its name then follows a language switch.
    void SetIncidentType(quint32 code);
    // Places the window at the corner, starts the fade and shows it.
    void ShowAtCorner();
    // Where ShowAtCorner puts the window: the corner of the free screen area,
    // raised above the main window's controls (paging bar, buttons, fields)
    // that the corner would cover, so they stay within reach.
    QPoint CornerPosition() const;
    QPropertyAnimation* FadeAnimation() const { return pAnimation; }

    QString iconPath;
    QString typeName;
    QString timeText;
    QString deviceIp;
    QString channelIp;
    int laneNo = -1;
    QString picPath;

public slots:
    void reTranslateUI();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QRect AvailableArea() const;
    QList<QRect> HostControlsOnScreen() const;

    quint32 incidentType = 0;

    std::unique_ptr<Ui::IncidentPromptsDialog> ui;
    QPropertyAnimation* pAnimation = nullptr;
};
