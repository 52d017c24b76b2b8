#include "QVerifyLineEdit.h"

#include "ScaledPicture.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QVBoxLayout>

class QVerifyLineEditForm
{
public:
    void setupUi(QWidget* owner);

    QHBoxLayout* horizontalLayout = nullptr;
    QLineEdit* lineEdit = nullptr;
    QVBoxLayout* verticalLayout = nullptr;
    QLabel* label = nullptr;
};

void QVerifyLineEditForm::setupUi(QWidget* owner)
{
    if (owner->objectName().isEmpty())
        owner->setObjectName(QStringLiteral("QVerifyLineEdit"));
    owner->resize(163, 21);
    horizontalLayout = new QHBoxLayout(owner);
    horizontalLayout->setObjectName(QStringLiteral("horizontalLayout"));
    horizontalLayout->setSpacing(5);
    horizontalLayout->setContentsMargins(0, 0, 0, 0);

    lineEdit = new QLineEdit(owner);
    lineEdit->setObjectName(QStringLiteral("lineEdit"));
    lineEdit->setMinimumSize(0, 0);
    lineEdit->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    horizontalLayout->addWidget(lineEdit, 1);

    verticalLayout = new QVBoxLayout();
    verticalLayout->setObjectName(QStringLiteral("verticalLayout"));
    verticalLayout->setSpacing(0);
    const QMargins margins = verticalLayout->contentsMargins();
    verticalLayout->setContentsMargins(margins.left(), margins.top(), margins.right(), 0);
    verticalLayout->addItem(new QSpacerItem(20, 0, QSizePolicy::Minimum, QSizePolicy::Expanding));
    label = new QLabel(owner);
    label->setObjectName(QStringLiteral("label"));
    label->setFixedSize(14, 14);
    label->setLineWidth(0);
    verticalLayout->addWidget(label);
    verticalLayout->addItem(new QSpacerItem(20, 0, QSizePolicy::Minimum, QSizePolicy::Expanding));
    verticalLayout->setStretch(0, 1);
    verticalLayout->setStretch(2, 1);
    horizontalLayout->addLayout(verticalLayout);

    owner->setWindowTitle(QVerifyLineEdit::tr("QVerifyLineEdit"));
}

QVerifyLineEdit::QVerifyLineEdit(QWidget* parent) : QWidget(parent), ui(std::make_unique<QVerifyLineEditForm>())
{
    ui->setupUi(this);
}

QVerifyLineEdit::~QVerifyLineEdit() = default;

QLineEdit* QVerifyLineEdit::lineEdit() const
{
    return ui->lineEdit;
}

QLabel* QVerifyLineEdit::label() const
{
    return ui->label;
}

QVerifyLineEdit::InputState QVerifyLineEdit::inputState() const
{
    return m_state;
}

void QVerifyLineEdit::updateResultState(InputState state)
{
    switch (state) {
    case Undetermined:
        setStyleSheet(QString());
        ui->label->clear();
        break;
    case Correct:
        setStyleSheet(QStringLiteral("QLineEdit{border:1px solid #7FE37F;}"));
        ui->label->setPixmap(ScaledPicture::load(QStringLiteral(":/images/correct.png"), this));
        break;
    case Wrong:
        setStyleSheet(QStringLiteral("QLineEdit{border:1px solid #F98185;}"));
        ui->label->setPixmap(ScaledPicture::load(QStringLiteral(":/images/wrong.png"), this));
        break;
    default: return;
    }
    m_state = state;
}

QSize QVerifyLineEdit::sizeHint() const
{
    const QSize edit = ui->lineEdit->sizeHint();
    const QSize mark = ui->label->sizeHint();
    return {edit.width() + mark.width(), qMax(edit.height(), mark.height())};
}

QSize QVerifyLineEdit::minimumSizeHint() const
{
    return sizeHint();
}
