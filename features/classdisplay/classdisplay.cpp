#include "features/classdisplay/classdisplay.h"

#include "base/monotonicclock.h"
#include "features/classdisplay/classdisplaypainter.h"
#include "session/listeningsession.h"

#include <QContextMenuEvent>
#include <QDateTime>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <utility>

namespace {
// The window's size when it leaves full screen, centred on its screen.
constexpr QSize WindowedSize(800, 450);
} // namespace

ClassDisplay::ClassDisplay(const ListeningSession &session, Translator translate, QWidget *parent)
    : QWidget(parent, Qt::Window), m_translate(std::move(translate)),
      m_model(new ClassDisplayModel(session, this)), m_repaintTimer(new QTimer(this)),
      m_lastPaint(MonotonicClock::nowMs() - ListeningSession::MeterTickMs)
{
    setObjectName(QStringLiteral("ClassDisplay"));
    setWindowTitle(m_translate(QStringLiteral("Class Display")));
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The main window's end ends the program; this one never keeps it running.
    setAttribute(Qt::WA_QuitOnClose, false);
    setFocusPolicy(Qt::StrongFocus);
    resize(WindowedSize);
    m_repaintTimer->setObjectName(QStringLiteral("ClassDisplayRepaint"));
    m_repaintTimer->setSingleShot(true);
    m_repaintTimer->setTimerType(Qt::PreciseTimer); // never sooner than asked
    connect(m_repaintTimer, &QTimer::timeout, this, qOverload<>(&QWidget::update));
    connect(m_model, &ClassDisplayModel::changed, this, &ClassDisplay::scheduleRepaint);
}

QString ClassDisplay::word() const
{
    using State = ClassDisplayModel::State;
    switch (look().state) {
    case State::Idle:
        return m_translate(QStringLiteral("Not listening"));
    case State::SignalLost:
        return m_translate(QStringLiteral("No sound"));
    case State::Quiet:
        return m_translate(QStringLiteral("Quiet"));
    case State::Noisy:
        return m_translate(QStringLiteral("Noisy"));
    case State::Alarm:
        break;
    }
    return m_translate(QStringLiteral("Too loud!"));
}

QString ClassDisplay::countText() const
{
    return m_translate(QStringLiteral("Noisy seconds: %1 of %2"))
        .arg(look().noiseSeconds)
        .arg(look().tolerance);
}

QString ClassDisplay::pauseText() const
{
    if (!look().paused)
        return QString();
    const QDateTime end = QDateTime::fromMSecsSinceEpoch(look().pauseEnd);
    return m_translate(QStringLiteral("Quiet time until %1"))
        .arg(QLocale::system().toString(end.time(), QLocale::ShortFormat));
}

void ClassDisplay::scheduleRepaint()
{
    if (m_repaintTimer->isActive())
        return;
    const qint64 since = MonotonicClock::nowMs() - m_lastPaint;
    if (since >= ListeningSession::MeterTickMs)
        update();
    else
        m_repaintTimer->start(int(ListeningSession::MeterTickMs - since));
}

void ClassDisplay::showFullScreenOn(QScreen *target)
{
    // Sizes only: under Wayland a window does not know its position.
    const bool elsewhere = target && (target != screen() || !m_placed ||
                                      (isFullScreen() && size() != target->geometry().size()));
    if (elsewhere) {
        // A full-screen window moves as a normal one, then fills its new screen.
        if (isFullScreen())
            showNormal();
        setScreen(target);
        QRect normal(QPoint(), WindowedSize.boundedTo(target->availableGeometry().size()));
        normal.moveCenter(target->availableGeometry().center());
        setGeometry(normal);
        m_placed = true;
    }
    showFullScreen();
    raise();
}

void ClassDisplay::paintEvent(QPaintEvent *)
{
    m_lastPaint = MonotonicClock::nowMs();
    if (m_paints.size() >= KeptPaints)
        m_paints.removeFirst();
    m_paints.append({m_lastPaint, look().flashLit});
    QPainter painter(this);
    ClassDisplayPainter::paint(
        painter, rect(), look(),
        {word(), countText(), pauseText(), m_translate(QStringLiteral("Too loud!"))}, font());
}

void ClassDisplay::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && isFullScreen()) {
        showNormal();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ClassDisplay::mouseDoubleClickEvent(QMouseEvent *)
{
    if (isFullScreen())
        showNormal();
    else
        showFullScreen();
}

void ClassDisplay::contextMenuEvent(QContextMenuEvent *event)
{
    if (m_contextMenu)
        m_contextMenu->exec(event->globalPos());
}
