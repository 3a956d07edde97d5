#pragma once

#include <QWidget>
#include <functional>
#include <optional>

class QLabel;
class SessionPlot;
class SessionRecord;

// File > Session Report...: the session's level over time, the noisy seconds, the
// alarms and the loudest moment, with "Save as CSV...". A window of its own beside the
// main window; it follows the record once a second while it is shown.
class SessionReportWindow : public QWidget
{
    Q_OBJECT
public:
    using Translator = std::function<QString(const QString &)>;
    struct Sources
    {
        std::function<double()> thresholdDbfs;
        std::function<std::optional<double>()> calibration; // the offset, if calibrated
    };

    SessionReportWindow(const SessionRecord &record, Translator translate, Sources sources,
                        QWidget *parent = nullptr);

    QString noisySecondsText() const;
    QString alarmsText() const;
    QString loudestText() const;

    // Writes the record as CSV; false (and the file untouched) when it cannot.
    bool saveCsv(const QString &fileName) const;

public slots:
    void refresh();
    void chooseCsvFile();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    const SessionRecord &m_record;
    Translator m_translate;
    Sources m_sources;
    SessionPlot *m_plot = nullptr;
    QLabel *m_noisySeconds = nullptr;
    QLabel *m_alarms = nullptr;
    QLabel *m_loudest = nullptr;
    QTimer *m_refresh = nullptr;
};
