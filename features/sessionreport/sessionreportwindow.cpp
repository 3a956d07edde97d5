#include "features/sessionreport/sessionreportwindow.h"

#include "features/sessionreport/sessioncsv.h"
#include "features/sessionreport/sessionplot.h"
#include "monitor/decibels.h"
#include "session/sessionrecord.h"

#include <QDateTime>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QTimer>
#include <QVBoxLayout>
#include <utility>

namespace {
// The locale's long time format without its time zone: "14:03:07", "2:03:07 PM".
QString timeWithSeconds(const QDateTime &time, const QLocale &locale)
{
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.remove(QLatin1Char('t'));
    return locale.toString(time.time(), format.trimmed());
}
} // namespace

SessionReportWindow::SessionReportWindow(const SessionRecord &record, Translator translate,
                                         Sources sources, QWidget *parent)
    : QWidget(parent, Qt::Window), m_record(record), m_translate(std::move(translate)),
      m_sources(std::move(sources))
{
    setObjectName(QStringLiteral("SessionReportForm"));
    setWindowTitle(m_translate(QStringLiteral("Session Report")));
    auto *column = new QVBoxLayout(this);
    m_plot = new SessionPlot(m_record, this);
    m_plot->setLegend(m_translate(QStringLiteral("Noise Threshold")),
                      m_translate(QStringLiteral("Alarm")));
    column->addWidget(m_plot, 1);

    auto *figures = new QFormLayout;
    auto figure = [this, figures](const char *name, const QString &caption) {
        auto *label = new QLabel(this);
        label->setObjectName(QString::fromLatin1(name));
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        figures->addRow(caption, label);
        return label;
    };
    m_noisySeconds = figure("NoisySeconds", m_translate(QStringLiteral("Noisy seconds:")));
    m_alarms = figure("Alarms", m_translate(QStringLiteral("Alarms:")));
    m_loudest = figure("LoudestMoment", m_translate(QStringLiteral("Loudest moment:")));
    auto *row = new QHBoxLayout;
    row->addLayout(figures, 1);
    auto *save = new QPushButton(m_translate(QStringLiteral("Save as CSV...")), this);
    save->setObjectName(QStringLiteral("ButtonSaveCsv"));
    connect(save, &QPushButton::clicked, this, &SessionReportWindow::chooseCsvFile);
    row->addWidget(save, 0, Qt::AlignBottom);
    column->addLayout(row);

    m_refresh = new QTimer(this);
    m_refresh->setInterval(1000);
    connect(m_refresh, &QTimer::timeout, this, &SessionReportWindow::refresh);
    refresh();
}

void SessionReportWindow::refresh()
{
    m_plot->setThresholdDbfs(m_sources.thresholdDbfs());
    const SessionRecord::Summary summary = m_record.summary();
    m_noisySeconds->setText(locale().toString(summary.noisySeconds));
    m_alarms->setText(locale().toString(summary.alarms));
    if (summary.loudest < 0) {
        m_loudest->setText(QStringLiteral("\u2014"));
    } else {
        const SessionRecord::Second &second = m_record.at(summary.loudest);
        const QDateTime time = QDateTime::fromMSecsSinceEpoch(second.time);
        m_loudest->setText(
            Decibels::levelText(Decibels::dbfsOfPeak(second.peak), m_sources.calibration(),
                                m_translate(QStringLiteral("dB (calibrated)")), locale()) +
            QStringLiteral(", ") + timeWithSeconds(time, locale()));
    }
    m_plot->update();
}

QString SessionReportWindow::noisySecondsText() const
{
    return m_noisySeconds->text();
}

QString SessionReportWindow::alarmsText() const
{
    return m_alarms->text();
}

QString SessionReportWindow::loudestText() const
{
    return m_loudest->text();
}

bool SessionReportWindow::saveCsv(const QString &fileName) const
{
    QSaveFile file(fileName);
    const QByteArray csv = SessionCsv::write(m_record, QTimeZone::systemTimeZone());
    return file.open(QIODevice::WriteOnly) && file.write(csv) == csv.size() && file.commit();
}

void SessionReportWindow::chooseCsvFile()
{
    QFileDialog dialog(this,
                       m_translate(QStringLiteral("Save as CSV...")).remove(QStringLiteral("...")));
    dialog.setObjectName(QStringLiteral("SaveCsvDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters({m_translate(QStringLiteral("CSV File (*.csv)"))});
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.selectFile(
        QStringLiteral("murmlet-session-%1.csv")
            .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HHmm"))));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    if (!saveCsv(dialog.selectedFiles().constFirst()))
        QMessageBox::critical(this, m_translate(QStringLiteral("Failure")),
                              m_translate(QStringLiteral("The file could not be saved.")));
}

void SessionReportWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    refresh();
    m_refresh->start();
}

void SessionReportWindow::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_refresh->stop();
}
