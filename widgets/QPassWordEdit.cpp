#include "QPassWordEdit.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QVBoxLayout>

#include <array>

class QPassWordEditForm
{
public:
    void setupUi(QWidget* owner);

    QVBoxLayout* verticalLayout = nullptr;
    QLineEdit* lineEdit = nullptr;
    QFrame* frame_Lev = nullptr;
    QHBoxLayout* horizontalLayout = nullptr;
    std::array<QFrame*, 4> segments{};
};

namespace {
QFrame* newFlatFrame(QWidget* parent, const QString& name)
{
    auto* frame = new QFrame(parent);
    frame->setObjectName(name);
    frame->setFrameShape(QFrame::NoFrame);
    frame->setFrameShadow(QFrame::Raised);
    frame->setLineWidth(0);
    return frame;
}

// Colours of the four segments, left to right, for each level.
std::array<const char*, 4> segmentColours(QPassWordEdit::Level level)
{
    constexpr const char* grey = "#E6E6E6";
    switch (level) {
    case QPassWordEdit::Weak: return {"#F98185", grey, grey, grey};
    case QPassWordEdit::Average: return {"#FFC26A", "#FFC26A", grey, grey};
    case QPassWordEdit::Strong: return {"#F8DD58", "#F8DD58", "#F8DD58", grey};
    case QPassWordEdit::Secure: return {"#7FE37F", "#7FE37F", "#7FE37F", "#7FE37F"};
    case QPassWordEdit::None: break;
    }
    return {grey, grey, grey, grey};
}
} // namespace

void QPassWordEditForm::setupUi(QWidget* owner)
{
    if (owner->objectName().isEmpty())
        owner->setObjectName(QStringLiteral("QPassWordEdit"));
    owner->resize(257, 34);
    verticalLayout = new QVBoxLayout(owner);
    verticalLayout->setObjectName(QStringLiteral("verticalLayout"));
    verticalLayout->setSpacing(3);
    verticalLayout->setContentsMargins(0, 0, 0, 0);

    lineEdit = new QLineEdit(owner);
    lineEdit->setObjectName(QStringLiteral("lineEdit"));
    lineEdit->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    verticalLayout->addWidget(lineEdit, 1);

    frame_Lev = newFlatFrame(owner, QStringLiteral("frame_Lev"));
    frame_Lev->setMinimumSize(0, 8);
    frame_Lev->setMaximumSize(QWIDGETSIZE_MAX, 8);
    verticalLayout->addWidget(frame_Lev);

    horizontalLayout = new QHBoxLayout(frame_Lev);
    horizontalLayout->setObjectName(QStringLiteral("horizontalLayout"));
    horizontalLayout->setSpacing(2);
    horizontalLayout->setContentsMargins(0, 0, 0, 0);
    for (int i = 0; i < 4; ++i) {
        segments[i] = newFlatFrame(frame_Lev, QStringLiteral("frame_%1").arg(i + 1));
        horizontalLayout->addWidget(segments[i]);
    }
    owner->setWindowTitle(QPassWordEdit::tr("QPassWordEdit"));
}

QPassWordEdit::QPassWordEdit(QWidget* parent) : QWidget(parent), ui(std::make_unique<QPassWordEditForm>())
{
    ui->setupUi(this);
    ui->lineEdit->setEchoMode(QLineEdit::Password);
    ui->lineEdit->setContextMenuPolicy(Qt::NoContextMenu);
    ui->lineEdit->setAttribute(Qt::WA_InputMethodEnabled, false);
    // A drop would put text in past the paste block.
    ui->lineEdit->setAcceptDrops(false);
    ui->lineEdit->installEventFilter(this);
    colourBar();
    connect(ui->lineEdit, &QLineEdit::textChanged, this, &QPassWordEdit::slotTextChanged);
}

QPassWordEdit::~QPassWordEdit() = default;

QLineEdit* QPassWordEdit::lineEdit() const
{
    return ui->lineEdit;
}

QPassWordEdit::Level QPassWordEdit::securityLevel() const
{
    return m_level;
}

void QPassWordEdit::setSecurityLevel(Level level)
{
    // Every keystroke rates the text: re-styling the bar only on a change keeps typing cheap.
    if (level == m_level)
        return;
    m_level = level;
    if (level >= None && level <= Weak)
        colourBar();
}

void QPassWordEdit::colourBar()
{
    // Each segment gets its own sheet: a changed sheet on the edit itself does
    // not reach the segments, which are its grandchildren, once they are polished.
    const auto colours = segmentColours(m_level);
    static const char* const corners[] = {"border-top-left-radius:4px;border-bottom-left-radius:4px;", "", "",
                                          "border-top-right-radius:4px;border-bottom-right-radius:4px;"};
    for (int i = 0; i < 4; ++i) {
        ui->segments[i]->setStyleSheet(QStringLiteral("#frame_%1{%2background:%3;}")
                                           .arg(i + 1)
                                           .arg(QLatin1String(corners[i]), QLatin1String(colours[i])));
    }
}

QPassWordEdit::Level QPassWordEdit::rate(const QString& password)
{
    if (password.size() < 6)
        return None;
    bool lower = false, upper = false, digit = false, other = false;
    for (const QChar c : password) {
        if (c.isLower())
            lower = true;
        else if (c.isUpper())
            upper = true;
        else if (c.isNumber())
            digit = true;
        else
            other = true;
    }
    switch (int(lower) + int(upper) + int(digit) + int(other)) {
    case 4: return Secure;
    case 3: return Strong;
    case 2: return Average;
    default: return Weak;
    }
}

void QPassWordEdit::slotTextChanged(const QString& text)
{
    setSecurityLevel(rate(text));
}

QSize QPassWordEdit::sizeHint() const
{
    return ui->lineEdit->sizeHint() + QSize(0, 13);
}

QSize QPassWordEdit::minimumSizeHint() const
{
    return sizeHint();
}

bool QPassWordEdit::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui->lineEdit) {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->matches(QKeySequence::Paste) || key->matches(QKeySequence::Copy) ||
                key->matches(QKeySequence::Cut))
                return true;
        } else if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove ||
                   event->type() == QEvent::Drop) {
            event->ignore();
            return true;
        } else if (event->type() == QEvent::MouseButtonRelease) {
            // Middle-click pastes the X11 selection.
            if (static_cast<QMouseEvent*>(event)->button() == Qt::MiddleButton)
                return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
