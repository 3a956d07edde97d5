#include "e2e/pulsetools.h"

namespace PulseTools {

std::optional<QString> pactl(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("pactl"), arguments);
    if (!process.waitForFinished(10000) || process.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

std::unique_ptr<QProcess> play(const QString &wav, const QString &sink)
{
    auto process = std::make_unique<QProcess>();
    process->start(QStringLiteral("paplay"), {QStringLiteral("-d"), sink, wav});
    process->waitForStarted(5000);
    return process;
}

Recorder::Recorder(const QString &source)
{
    m_process.start(QStringLiteral("parec"),
                    {QStringLiteral("--latency-msec=20"), QStringLiteral("-d"), source,
                     QStringLiteral("--format=s16le"), QStringLiteral("--rate=44100"),
                     QStringLiteral("--channels=1")});
    // Recording once the first samples arrive: a busy machine may take a second to start
    // the recorder, and a sound played before then would not be heard.
    m_process.waitForStarted(5000);
    m_process.waitForReadyRead(5000);
}

Recorder::~Recorder()
{
    stop();
}

QByteArray Recorder::stop()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        m_process.waitForFinished(5000);
    }
    return m_process.readAllStandardOutput();
}

} // namespace PulseTools
