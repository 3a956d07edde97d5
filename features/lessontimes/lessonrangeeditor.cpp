#include "features/lessontimes/lessonrangeeditor.h"

#include "features/lessontimes/timefield.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
TimeField *timeField(const char *name, QTime time, QWidget *parent)
{
    auto *field = new TimeField(time, parent);
    field->setObjectName(QString::fromLatin1(name));
    return field;
}
} // namespace

LessonRangeEditor::LessonRangeEditor(const LessonRange &range, const Translator &translate,
                                     QWidget *parent)
    : QWidget(parent), m_translate(translate)
{
    setObjectName(QStringLiteral("LessonRange"));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    auto *row = new QHBoxLayout;
    m_number = new QLabel(this);
    m_number->setObjectName(QStringLiteral("RangeNumber"));
    row->addWidget(m_number);
    const QLocale locale;
    for (int day = Qt::Monday; day <= Qt::Sunday; ++day) {
        auto *box = new QCheckBox(locale.dayName(day, QLocale::ShortFormat), this);
        box->setObjectName(QStringLiteral("Day%1").arg(day));
        box->setChecked(range.hasDay(day));
        connect(box, &QCheckBox::toggled, this, &LessonRangeEditor::changed);
        row->addWidget(box);
        m_days << box;
    }
    m_start = timeField("RangeStart", range.startTime(), this);
    m_end = timeField("RangeEnd", range.endTime(), this);
    m_end->setToolTip(m_translate(QStringLiteral("00:00 as the end is midnight.")));
    connect(m_start, &TimeField::timeChanged, this, &LessonRangeEditor::changed);
    connect(m_end, &TimeField::timeChanged, this, &LessonRangeEditor::changed);
    row->addSpacing(8);
    row->addWidget(m_start);
    auto *dash = new QLabel(QStringLiteral("\u2013"), this);
    dash->setObjectName(QStringLiteral("RangeDash"));
    row->addWidget(dash);
    row->addWidget(m_end);
    auto *remove = new QPushButton(m_translate(QStringLiteral("Remove")), this);
    remove->setObjectName(QStringLiteral("ButtonRemoveRange"));
    connect(remove, &QPushButton::clicked, this, &LessonRangeEditor::removeClicked);
    row->addWidget(remove);
    column->addLayout(row);
    m_problems = new QLabel(this);
    m_problems->setObjectName(QStringLiteral("RangeProblems"));
    m_problems->setStyleSheet(QStringLiteral("color: #c00000;"));
    m_problems->setWordWrap(true);
    m_problems->hide();
    column->addWidget(m_problems);
}

LessonRange LessonRangeEditor::range() const
{
    LessonRange range;
    for (int day = Qt::Monday; day <= Qt::Sunday; ++day)
        range.setDay(day, m_days[day - 1]->isChecked());
    range.start = LessonRange::startOf(m_start->time());
    range.end = LessonRange::endOf(m_end->time());
    return range;
}

void LessonRangeEditor::setNumber(int number)
{
    m_number->setText(m_translate(QStringLiteral("Range %1:")).arg(number));
}

void LessonRangeEditor::showProblems(const QStringList &problems)
{
    m_problems->setText(problems.join(QLatin1Char('\n')));
    m_problems->setVisible(!problems.isEmpty());
}
