#pragma once

#include "session/lessontimes.h"

#include <QDialog>
#include <functional>

class LessonRangeEditor;
class QCheckBox;
class QLabel;
class QPushButton;
class QVBoxLayout;

// Settings > Lesson Times...: the switch and the week's ranges, one row each, with Add
// Range. What is wrong with a row (no weekday, an end not after the start, an overlap)
// is said under it in words, and OK stays disabled until nothing is.
class LessonTimesDialog : public QDialog
{
    Q_OBJECT
public:
    using Translator = std::function<QString(const QString &)>;

    // unreadable: stored ranges that could not be read and are left out, said above the
    // rows.
    LessonTimesDialog(Translator translate, const LessonTimes &times,
                      const QStringList &unreadable = {}, QWidget *parent = nullptr);

    // The switch and the rows as they stand.
    LessonTimes lessonTimes() const;

public slots:
    // A new row: the last row's weekdays and the hour after it, or Monday to Friday
    // 08:00-09:00 for the first.
    void addRange();
    void checkRanges();

private:
    void addRow(const LessonRange &range);
    void removeRow(LessonRangeEditor *row);

    Translator m_translate;
    QCheckBox *m_enabled = nullptr;
    QVBoxLayout *m_rowsLayout = nullptr;
    QList<LessonRangeEditor *> m_rows;
    QPushButton *m_okButton = nullptr;
};
