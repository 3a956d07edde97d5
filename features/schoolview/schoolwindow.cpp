#include "features/schoolview/schoolwindow.h"

#include "base/settings.h"
#include "base/windowplacement.h"
#include "features/schoolview/schooltiles.h"

#include <QComboBox>
#include <QDateTime>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <utility>

namespace {
constexpr int DefaultWidth = 4 * (SchoolTiles::TileWidth + SchoolTiles::Gap) + 40;
constexpr int DefaultHeight = 480;
const QString LoudnessOrder = QStringLiteral("Loudness");
} // namespace

SchoolWindow::SchoolWindow(Settings &settings, Translator translate, const QByteArray &prefix,
                           QWidget *parent)
    : QWidget(parent, Qt::Window), m_settings(settings), m_translate(std::move(translate)),
      m_rooms(prefix)
{
    setObjectName(QStringLiteral("SchoolWindow"));
    setWindowTitle(m_translate(QStringLiteral("School")));
    auto *column = new QVBoxLayout(this);
    auto *bar = new QHBoxLayout;
    m_filter = new QLineEdit(this);
    m_filter->setObjectName(QStringLiteral("SchoolFilter"));
    m_filter->setPlaceholderText(m_translate(QStringLiteral("Filter rooms")));
    m_filter->setClearButtonEnabled(true);
    m_order = new QComboBox(this);
    m_order->setObjectName(QStringLiteral("SchoolOrder"));
    m_order->addItem(m_translate(QStringLiteral("By name")));
    m_order->addItem(m_translate(QStringLiteral("By loudness")));
    m_order->setCurrentIndex(m_settings.read(SettingsTable::SchoolViewOrder) == LoudnessOrder);
    bar->addWidget(m_filter, 1);
    bar->addWidget(m_order);
    column->addLayout(bar);
    m_tiles = new SchoolTiles(m_rooms, m_translate, this);
    m_tiles->setObjectName(QStringLiteral("SchoolTiles"));
    column->addWidget(m_tiles, 1);
    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("SchoolNote"));
    m_note->setTextFormat(Qt::PlainText);
    column->addWidget(m_note);

    m_repaint = new QTimer(this);
    m_repaint->setObjectName(QStringLiteral("SchoolRepaint"));
    m_repaint->setInterval(RepaintMs);
    connect(m_repaint, &QTimer::timeout, this, &SchoolWindow::takeChanges);
    connect(m_filter, &QLineEdit::textChanged, this, &SchoolWindow::reorder);
    connect(m_order, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_settings.write(SettingsTable::SchoolViewOrder,
                         index == 1 ? LoudnessOrder : QStringLiteral("Name"));
        reorder();
    });
    restorePlace();
    showNote();
}

void SchoolWindow::receive(const QByteArray &topic, const QByteArray &payload, bool retained)
{
    m_rooms.receive(topic, payload, retained, QDateTime::currentMSecsSinceEpoch());
}

void SchoolWindow::takeChanges()
{
    const QList<int> changed = m_rooms.takeChanges(QDateTime::currentMSecsSinceEpoch());
    // By name the order changes only with new rooms; by loudness with every reading.
    if (m_rooms.size() != m_roomsShown || (m_order->currentIndex() == 1 && !changed.isEmpty()))
        reorder();
    else
        m_tiles->refresh(changed);
    showNote();
    emit changesTaken();
}

void SchoolWindow::reorder()
{
    m_roomsShown = m_rooms.size();
    m_tiles->setOrder(m_rooms.shown(m_order->currentIndex() == 1 ? SchoolRooms::Order::Loudness
                                                                 : SchoolRooms::Order::Name,
                                    m_filter->text()));
}

QString SchoolWindow::noteText() const
{
    const QLocale locale;
    QStringList parts;
    if (!m_linkState.isEmpty())
        parts << m_linkState;
    parts << m_translate(QStringLiteral("%1 rooms")).arg(locale.toString(m_rooms.size()));
    if (m_rooms.leftOut() > 0)
        parts << m_translate(QStringLiteral("%1 more rooms left out (at most %2 are shown)"))
                     .arg(locale.toString(m_rooms.leftOut()),
                          locale.toString(SchoolRooms::MaximumRooms));
    if (m_rooms.faultsInAll() > 0)
        parts << m_translate(QStringLiteral("%1 messages ignored"))
                     .arg(locale.toString(m_rooms.faultsInAll()));
    return parts.join(QStringLiteral(" · "));
}

void SchoolWindow::showLinkState(const QString &text)
{
    m_linkState = text;
    showNote();
}

void SchoolWindow::showNote()
{
    const QString text = noteText();
    if (text != m_note->text())
        m_note->setText(text);
}

void SchoolWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    takeChanges();
    m_repaint->start();
    // Under Wayland the compositor places the window; a move() there is ignored.
    if (!m_placed && !WindowPlacement::byCompositor()) {
        m_placed = true;
        if (const QScreen *display = screen())
            move(display->availableGeometry().center() - rect().center());
    }
}

void SchoolWindow::hideEvent(QHideEvent *event)
{
    m_repaint->stop();
    keepPlace();
    QWidget::hideEvent(event);
}

// The kept place when it still lies on a screen; the size in any case.
void SchoolWindow::restorePlace()
{
    resize(DefaultWidth, DefaultHeight);
    const QStringList parts = m_settings.read(SettingsTable::SchoolViewGeometry).split(',');
    if (parts.size() != 4)
        return;
    int numbers[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        numbers[i] = parts[i].trimmed().toInt(&ok);
        if (!ok)
            return;
    }
    const QRect kept(numbers[0], numbers[1], numbers[2], numbers[3]);
    if (kept.width() < 100 || kept.height() < 100 || kept.width() > 20000 || kept.height() > 20000)
        return;
    resize(kept.size());
    if (WindowPlacement::byCompositor())
        return;
    const QList<QScreen *> screens = QGuiApplication::screens();
    for (const QScreen *display : screens) {
        // At least a corner of the title bar in reach.
        if (display->availableGeometry().intersects(
                QRect(kept.topLeft(), QSize(kept.width(), 40)))) {
            move(kept.topLeft());
            m_placed = true;
            return;
        }
    }
}

void SchoolWindow::keepPlace()
{
    const QString place =
        QStringLiteral("%1,%2,%3,%4").arg(pos().x()).arg(pos().y()).arg(width()).arg(height());
    if (place != m_settings.read(SettingsTable::SchoolViewGeometry))
        m_settings.write(SettingsTable::SchoolViewGeometry, place);
}
