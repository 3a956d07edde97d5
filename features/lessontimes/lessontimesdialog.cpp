#include "features/lessontimes/lessontimesdialog.h"

#include "features/lessontimes/lessonrangeeditor.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

LessonTimesDialog::LessonTimesDialog(Translator translate, const LessonTimes &times,
                                     const QStringList &unreadable, QWidget *parent)
    : QDialog(parent), m_translate(std::move(translate))
{
    setObjectName(QStringLiteral("LessonTimesForm"));
    setWindowTitle(m_translate(QStringLiteral("Lesson Times")));
    auto *column = new QVBoxLayout(this);
    m_enabled = new QCheckBox(m_translate(QStringLiteral("Listen only during lessons")), this);
    m_enabled->setObjectName(QStringLiteral("LessonTimesEnabled"));
    m_enabled->setChecked(times.isEnabled());
    column->addWidget(m_enabled);
    auto *explanation = new QLabel(
        m_translate(QStringLiteral("Outside these times the alarm is paused; the count goes on.")),
        this);
    explanation->setObjectName(QStringLiteral("LessonTimesExplanation"));
    explanation->setWordWrap(true);
    column->addWidget(explanation);
    if (!unreadable.isEmpty()) {
        auto *note = new QLabel(
            m_translate(QStringLiteral("These stored ranges could not be read and are left out:")) +
                QLatin1Char('\n') + unreadable.join(QLatin1Char('\n')),
            this);
        note->setObjectName(QStringLiteral("UnreadableRanges"));
        note->setWordWrap(true);
        column->addWidget(note);
    }

    m_rowsLayout = new QVBoxLayout;
    column->addLayout(m_rowsLayout);
    auto *add = new QPushButton(m_translate(QStringLiteral("Add Range")), this);
    add->setObjectName(QStringLiteral("ButtonAddRange"));
    connect(add, &QPushButton::clicked, this, &LessonTimesDialog::addRange);
    auto *addLine = new QHBoxLayout;
    addLine->addWidget(add);
    addLine->addStretch();
    column->addLayout(addLine);
    column->addStretch();

    auto *buttons = new QDialogButtonBox(this);
    m_okButton =
        buttons->addButton(m_translate(QStringLiteral("OK")), QDialogButtonBox::AcceptRole);
    m_okButton->setObjectName(QStringLiteral("ButtonOK"));
    QPushButton *cancel =
        buttons->addButton(m_translate(QStringLiteral("Cancel")), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("ButtonCancel"));
    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    column->addWidget(buttons);

    for (const LessonRange &range : times.ranges())
        addRow(range);
    checkRanges();
}

LessonTimes LessonTimesDialog::lessonTimes() const
{
    QList<LessonRange> ranges;
    for (const LessonRangeEditor *row : m_rows)
        ranges << row->range();
    return LessonTimes(m_enabled->isChecked(), ranges);
}

void LessonTimesDialog::addRange()
{
    LessonRange range;
    range.days = 0b0011111; // Monday to Friday
    range.start = 8 * 60;
    range.end = 9 * 60;
    if (!m_rows.isEmpty()) {
        const LessonRange last = m_rows.last()->range();
        range.days = last.days;
        range.start = std::min(last.end, LessonRange::MinutesPerDay - 60);
        range.end = range.start + 60;
    }
    addRow(range);
    checkRanges();
}

void LessonTimesDialog::addRow(const LessonRange &range)
{
    auto *row = new LessonRangeEditor(range, m_translate, this);
    connect(row, &LessonRangeEditor::changed, this, &LessonTimesDialog::checkRanges);
    connect(row, &LessonRangeEditor::removeClicked, this, [this, row] { removeRow(row); });
    m_rowsLayout->addWidget(row);
    m_rows << row;
}

void LessonTimesDialog::removeRow(LessonRangeEditor *row)
{
    m_rows.removeOne(row);
    row->hide(); // its own button's click is still under way: deleted after it
    row->deleteLater();
    checkRanges();
}

void LessonTimesDialog::checkRanges()
{
    QList<QStringList> texts(m_rows.size());
    bool anyProblem = false;
    for (const LessonTimes::Problem &problem : LessonTimes::problemsOf(lessonTimes().ranges())) {
        const QString text = LessonTimes::describe(problem, m_translate, locale());
        texts[problem.range - 1] << text;
        if (problem.otherRange > 0)
            texts[problem.otherRange - 1] << text;
        anyProblem = true;
    }
    for (int i = 0; i < m_rows.size(); ++i) {
        m_rows[i]->setNumber(i + 1);
        m_rows[i]->showProblems(texts[i]);
    }
    m_okButton->setEnabled(!anyProblem);
}
