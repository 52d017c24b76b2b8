#include "QPromptWidget.h"

#include "ui_QPromptWidget.h"

#include "TranslucentWindow.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QtMath>
#include <QTextDocument>

namespace {

QPromptWidget* g_pCurrentPrompt = nullptr;

// A click on the kind picture closes the toast this long after.
constexpr int kCloseDelayMs = 300;

// The toast's frame; a text longer than one line wraps at word boundaries and
// the toast grows downwards, so a failure is always read whole.
constexpr int kWidth = 320;
constexpr int kHeight = 60;
constexpr int kTextLeft = 60;
constexpr int kTextRight = 12;
constexpr int kTextVerticalRoom = 30;

const char* const kKindPictures[] = {"prompt_tips", "prompt_warm", "prompt_fail", "prompt_succ"};

QString KindStyleSheet(int type)
{
    return QStringLiteral("color:#666666;font: 75 12px 微软雅黑;padding-left:56px;padding-bottom: 10px;"
                          "border-image: url(:images/PromptTip/%1.png);")
        .arg(QLatin1String(kKindPictures[type]));
}

// A toast still alive when the application ends (its timer never fired) is
// deleted with the other windows instead of leaking.
void DeleteCurrentPrompt()
{
    delete g_pCurrentPrompt;
}

} // namespace

QPromptWidget* QPromptWidget::Current()
{
    return g_pCurrentPrompt;
}

void QPromptWidget::ShowPrompt(const MsgType& type, const QString& text, QWidget* parent, int ms)
{
    QPromptWidget* current = g_pCurrentPrompt;
    if (current && current->isVisible()) {
        if (text.isEmpty()) {
            current->StartCloseTimer();
        } else if (current->IsDifferent(type, text, parent)) {
            current->UpdatePrompt(type, text, ms);
            current->MoveToCenter(parent);
        }
        return;
    }
    if (text.isEmpty())
        return;
    auto* prompt = new QPromptWidget(type, text, parent, ms);
    prompt->MoveToCenter(parent);
    prompt->setObjectName(QStringLiteral("qprompt_tip"));
    prompt->showNormal();
}

QPromptWidget::QPromptWidget(const MsgType& type, const QString& text, QWidget* parent, int ms)
    : QWidget(nullptr), ui(std::make_unique<Ui::PromptWidget>()), m_pParent(parent), m_type(type)
{
    static const bool cleanupRegistered = [] {
        qAddPostRoutine(DeleteCurrentPrompt);
        return true;
    }();
    Q_UNUSED(cleanupRegistered);

    delete g_pCurrentPrompt;
    g_pCurrentPrompt = this;

    ui->setupUi(this);
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    TranslucentWindow::enable(this);
    UpdatePrompt(type, text, ms);
}

QPromptWidget::~QPromptWidget()
{
    if (g_pCurrentPrompt == this)
        g_pCurrentPrompt = nullptr;
    m_closeTimer.stop();
    m_durationTimer.stop();
}

void QPromptWidget::UpdatePrompt(const MsgType& type, const QString& text, int ms)
{
    ui->labMsg->setText(text);
    if (type >= Tips && type <= Succ)
        ui->labMsg->setStyleSheet(KindStyleSheet(type));
    FitText(text);
    m_durationTimer.start(ms, this);
    m_closeTimer.stop();
}

void QPromptWidget::FitText(const QString& text)
{
    // The style sheet sets the font; it must be in effect before measuring.
    ui->labMsg->ensurePolished();
    const int room = kWidth - kTextLeft - kTextRight;
    const bool rich = Qt::mightBeRichText(text);
    const bool oneLine = !rich && QFontMetrics(ui->labMsg->font()).horizontalAdvance(text) <= room;
    ui->labMsg->setWordWrap(!oneLine);
    int height = kHeight;
    if (!oneLine) {
        QTextDocument layout;
        layout.setDefaultFont(ui->labMsg->font());
        layout.setDocumentMargin(0);
        if (rich)
            layout.setHtml(text);
        else
            layout.setPlainText(text);
        layout.setTextWidth(room);
        height = qMax(kHeight, qCeil(layout.size().height()) + kTextVerticalRoom);
    }
    setFixedSize(kWidth, height);
}

void QPromptWidget::paintEvent(QPaintEvent*)
{
    // The picture's rounded corners and soft edge are see-through; where
    // nobody composes they would show black.
    QPainter painter(this);
    TranslucentWindow::fillWhereOpaque(this, painter, Qt::white);
}

bool QPromptWidget::IsDifferent(const MsgType& type, const QString& text, QWidget* parent) const
{
    return ui->labMsg->text() != text || parent != m_pParent.data() || m_type != type;
}

void QPromptWidget::MoveToCenter(QWidget* parent)
{
    if (!parent)
        return;
    move(parent->mapToGlobal(QPoint((parent->width() - width()) / 2, (parent->height() - height()) / 2)));
}

void QPromptWidget::StartCloseTimer()
{
    if (!m_closeTimer.isActive())
        m_closeTimer.start(kCloseDelayMs, this);
}

void QPromptWidget::mousePressEvent(QMouseEvent* e)
{
    // The kind picture's square on the left of the toast.
    const QPoint at = e->pos();
    if (at.x() >= 10 && at.x() < 51 && at.y() >= 6 && at.y() < 47)
        StartCloseTimer();
}

void QPromptWidget::timerEvent(QTimerEvent* e)
{
    if (e->timerId() != m_closeTimer.timerId() && e->timerId() != m_durationTimer.timerId())
        return;
    m_closeTimer.stop();
    m_durationTimer.stop();
    close();
    deleteLater();
}
