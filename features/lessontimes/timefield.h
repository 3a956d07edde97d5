#pragma once

#include <QAbstractSpinBox>
#include <QTime>

// A time of day in whole minutes, typed in the locale's short format (without seconds)
// or stepped with the arrows, five minutes a step. It holds its last valid time while
// the text is being typed; a text that is not a time goes back to it when editing ends.
// Built on the plain spin box, so it needs none of Qt's date and time editors.
class TimeField : public QAbstractSpinBox
{
    Q_OBJECT
public:
    static constexpr int StepMinutes = 5;

    explicit TimeField(QTime time, QWidget *parent = nullptr);

    QTime time() const { return m_time; }
    void setTime(QTime time);
    QString displayFormat() const { return m_format; }

    QValidator::State validate(QString &input, int &pos) const override;
    void fixup(QString &input) const override;
    void stepBy(int steps) override;

signals:
    void timeChanged(QTime time);

protected:
    StepEnabled stepEnabled() const override;

private:
    QTime parsed(const QString &text) const;
    void takeText();

    QString m_format;
    QTime m_time;
};
