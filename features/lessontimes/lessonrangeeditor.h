#pragma once

#include "session/lessonrange.h"

#include <QWidget>
#include <functional>

class QCheckBox;
class QLabel;
class QPushButton;
class TimeField;

// One row of the Lesson Times dialog: the range's number, a box for each weekday, its
// start and end in the locale's short time format, Remove, and under them, in words,
// what is wrong with it (hidden while nothing is).
class LessonRangeEditor : public QWidget
{
    Q_OBJECT
public:
    using Translator = std::function<QString(const QString &)>;

    LessonRangeEditor(const LessonRange &range, const Translator &translate,
                      QWidget *parent = nullptr);

    LessonRange range() const;
    void setNumber(int number);
    // The problems' texts, one a line; none hides the line.
    void showProblems(const QStringList &problems);

signals:
    void changed();
    void removeClicked();

private:
    Translator m_translate;
    QLabel *m_number = nullptr;
    QList<QCheckBox *> m_days; // Monday first
    TimeField *m_start = nullptr;
    TimeField *m_end = nullptr;
    QLabel *m_problems = nullptr;
};
