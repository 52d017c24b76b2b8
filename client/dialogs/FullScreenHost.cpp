#include "dialogs/FullScreenHost.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLayout>
#include <QVBoxLayout>
#include <QWindow>

FullScreenHost::FullScreenHost(QWidget* guestWidget)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), guest(guestWidget)
{
    setObjectName(QStringLiteral("fullScreenHost"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setFocusPolicy(Qt::StrongFocus);
    setStyleSheet(QStringLiteral("#fullScreenHost { background-color: black; }"));
    setAttribute(Qt::WA_StyledBackground);
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(0);
}

FullScreenHost::~FullScreenHost()
{
    // Its owner is going away: nobody is left to tell.
    blockSignals(true);
    Leave();
}

void FullScreenHost::Enter()
{
    if (active || !guest)
        return;
    active = true;
    if (guest->isWindow()) {
        guest->showFullScreen();
        return;
    }
    home = guest->parentWidget();
    homeGeometry = guest->geometry();
    // The stand-in holds the guest's cell, so the layout around it keeps its shape.
    placeholder = new QWidget(home);
    if (QLayout* layout = home->layout())
        delete layout->replaceWidget(guest, placeholder, Qt::FindChildrenRecursively);
    placeholder->setGeometry(homeGeometry);
    placeholder->show();
    layout()->addWidget(guest);
    guest->show();
    JoinWindowOf(home);
    showFullScreen();
    raise();
    activateWindow();
    setFocus(Qt::OtherFocusReason);
}

void FullScreenHost::JoinWindowOf(QWidget* widget)
{
    // A modal dialog (the playback dialog runs modal) blocks input to every
    // window outside its own family; as a transient of the guest's window the
    // host keeps its double-click and Escape, and the window manager keeps it
    // above that window.
    if (!windowHandle())
        create();
    if (QWindow* owner = widget->window()->windowHandle())
        windowHandle()->setTransientParent(owner);
}

void FullScreenHost::Leave()
{
    if (!active)
        return;
    active = false;
    if (guest && guest->isWindow() && !placeholder) {
        guest->showNormal();
    } else {
        ReturnGuest();
        hide();
    }
    emit LeftFullScreen();
}

void FullScreenHost::ReturnGuest()
{
    if (!placeholder)
        return;
    QWidget* stand = placeholder;
    placeholder = nullptr;
    if (guest && home) {
        layout()->removeWidget(guest);
        guest->setParent(home);
        QLayout* homeLayout = home->layout();
        QLayoutItem* replaced =
            homeLayout ? homeLayout->replaceWidget(stand, guest, Qt::FindChildrenRecursively) : nullptr;
        if (!replaced)
            guest->setGeometry(homeGeometry);
        delete replaced;
        guest->show();
    } else if (guest) {
        // Its home went away while it was shown here: it goes with the host.
        guest->hide();
    }
    delete stand;
    if (home)
        home->window()->activateWindow();
}

void FullScreenHost::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        Leave();
        return;
    }
    QWidget::keyPressEvent(event);
}

void FullScreenHost::closeEvent(QCloseEvent* event)
{
    // The host lives as long as its owner; a close from the window manager only leaves full screen.
    event->ignore();
    Leave();
}
