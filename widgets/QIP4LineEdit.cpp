#include "QIP4LineEdit.h"

#include "FrameEditFocus.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

#include <array>

namespace {
constexpr int kOctets = 4;
constexpr int kOctetSpacing = 10;
constexpr int kLayoutMargin = 1;

// 0 to 255 without a leading zero: "01" or "010" are not addresses we write.
const QString kOctetPattern = QStringLiteral("0|[1-9][0-9]?|1[0-9]{2}|2[0-4][0-9]|25[0-5]");
} // namespace

class QIP4LineEditPrivate
{
public:
    explicit QIP4LineEditPrivate(QIP4LineEdit* owner) : q(owner) { }

    void createOctets();
    int octetIndex(QObject* object) const;
    void focusOctet(int index, bool selectAll, bool cursorAtEnd);
    void handleKey(int index, QKeyEvent* event);

    std::array<QLineEdit*, kOctets> octets{};
    QIP4LineEdit* q;
};

void QIP4LineEditPrivate::createOctets()
{
    auto* layout = new QHBoxLayout(q);
    layout->setSpacing(kOctetSpacing);
    layout->setContentsMargins(kLayoutMargin, kLayoutMargin, kLayoutMargin, kLayoutMargin);
    const QRegularExpression octetExpression(QStringLiteral("^(?:%1)$").arg(kOctetPattern));
    for (QLineEdit*& octet : octets) {
        octet = new QLineEdit(q);
        octet->setStyleSheet(QStringLiteral("QLineEdit{border:none;}"));
        octet->setFrame(false);
        octet->setAlignment(Qt::AlignCenter);
        octet->setMaxLength(3);
        octet->setValidator(new QRegularExpressionValidator(octetExpression, q));
        octet->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
        octet->installEventFilter(q);
        layout->addWidget(octet);
    }
    q->setFrame(false);
    new FrameEditFocus(q, QVector<QWidget*>(octets.begin(), octets.end()));
}

int QIP4LineEditPrivate::octetIndex(QObject* object) const
{
    for (int i = 0; i < kOctets; ++i) {
        if (octets[i] == object)
            return i;
    }
    return -1;
}

void QIP4LineEditPrivate::focusOctet(int index, bool selectAll, bool cursorAtEnd)
{
    QLineEdit* octet = octets[index];
    octet->setFocus(Qt::OtherFocusReason);
    if (selectAll)
        octet->selectAll();
    else
        octet->setCursorPosition(cursorAtEnd ? octet->text().size() : 0);
}

void QIP4LineEditPrivate::handleKey(int index, QKeyEvent* event)
{
    QLineEdit* octet = octets[index];
    const QString text = octet->text();
    const int key = event->key();
    if (key == Qt::Key_Period) {
        if (!text.isEmpty() && index != kOctets - 1)
            focusOctet(index + 1, true, false);
    } else if (key >= Qt::Key_0 && key <= Qt::Key_9) {
        // A full octet, or one that any further digit would push past 255, moves on;
        // the digit itself is then refused by the octet's length limit or validator.
        const bool full = text.size() >= 3 || text.toInt() * 10 > 255;
        if (!octet->hasSelectedText() && full && index != kOctets - 1)
            focusOctet(index + 1, true, false);
    } else if (key == Qt::Key_Backspace) {
        if ((text.isEmpty() || octet->cursorPosition() == 0) && index != 0)
            focusOctet(index - 1, false, true);
    } else if (key == Qt::Key_Left) {
        if (octet->cursorPosition() == 0 && index != 0)
            focusOctet(index - 1, false, true);
    } else if (key == Qt::Key_Right) {
        if (octet->cursorPosition() == text.size() && index != kOctets - 1)
            focusOctet(index + 1, false, false);
    }
}

QIP4LineEdit::QIP4LineEdit(QWidget* parent) : QLineEdit(parent), d(std::make_unique<QIP4LineEditPrivate>(this))
{
    d->createOctets();
}

QIP4LineEdit::~QIP4LineEdit() = default;

QString QIP4LineEdit::getIpText() const
{
    QStringList parts;
    for (const QLineEdit* octet : d->octets)
        parts.append(octet->text());
    return parts.join(QLatin1Char('.'));
}

bool QIP4LineEdit::setIpText(const QString& ip)
{
    static const QRegularExpression address(
        QStringLiteral("^(?:(?:25[0-5]|2[0-4][0-9]|[01]?[0-9][0-9]?)\\.){3}(?:25[0-5]|2[0-4][0-9]|[01]?[0-9][0-9]?)$"));
    if (!address.match(ip).hasMatch())
        return false;
    const QStringList parts = ip.split(QLatin1Char('.'));
    for (int i = 0; i < kOctets; ++i) {
        // Written as numbers, so that a given "010" cannot slip a leading zero into an octet.
        d->octets[i]->setText(QString::number(parts[i].toInt()));
    }
    return true;
}

bool QIP4LineEdit::eventFilter(QObject* watched, QEvent* event)
{
    const int index = d->octetIndex(watched);
    if (index < 0)
        return QLineEdit::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::FocusIn:
        setFocusProxy(d->octets[index]);
        update();
        break;
    case QEvent::FocusOut:
        setFocusProxy(nullptr);
        update();
        break;
    case QEvent::KeyPress: d->handleKey(index, static_cast<QKeyEvent*>(event)); break;
    default: break;
    }
    return false;
}

void QIP4LineEdit::paintEvent(QPaintEvent* event)
{
    QLineEdit::paintEvent(event);
    QPainter painter(this);
    const int y = height() * 3 / 5;
    int x = d->octets[0]->width() + kLayoutMargin + 2;
    for (int i = 0; i < kOctets - 1; ++i) {
        painter.drawPoint(x, y);
        x += d->octets[i + 1]->width() + kOctetSpacing;
    }
}
