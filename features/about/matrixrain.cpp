#include "features/about/matrixrain.h"

#include <QRandomGenerator>

MatrixRain::MatrixRain(Random random) : m_random(std::move(random))
{
    if (!m_random)
        m_random = [](int bound) { return QRandomGenerator::global()->bounded(bound); };
    m_drops.reserve(MaxDrops);
}

void MatrixRain::startMatrix(int bitmapWidth, int bitmapHeight)
{
    m_matrixTick = 0;
    setupMatrix(bitmapWidth, bitmapHeight);
}

void MatrixRain::setupMatrix(int bitmapWidth, int bitmapHeight)
{
    m_matrixWidth = bitmapWidth / CharWidth;
    m_matrixHeight = bitmapHeight / CharHeight;
    resetDrops();
}

void MatrixRain::resetDrops()
{
    m_drops.clear();
    for (int i = 0; i < 2 * m_matrixWidth; ++i)
        addDrop();
}

void MatrixRain::addDrop()
{
    // A grid without columns or rows has no place for a drop.
    if (dropCount() >= MaxDrops || m_matrixWidth <= 0 || m_matrixHeight <= 0)
        return;
    RainDrop drop;
    drop.column = dropCount() % m_matrixWidth;
    drop.row = random(m_matrixHeight);
    drop.speed = 1 + random(3);
    drop.brightness = random(100);
    m_drops.push_back(drop);
}

std::vector<DropChar> MatrixRain::stepMatrix()
{
    std::vector<DropChar> drawn;
    drawn.reserve(m_drops.size());
    const int letters = static_cast<int>(m_matrixChars.size());
    for (RainDrop &drop : m_drops) {
        const QChar c = letters > 0 ? m_matrixChars.at(random(letters)) : QChar(u' ');
        drawn.push_back(drawDropChar(drop, c, m_matrixHeight));
        if (m_matrixTick % drop.speed != 0)
            continue;
        ++drop.row;
        // The head has left the grid (with one spare row): start again at the top.
        if (drop.row > m_matrixHeight + 1) {
            drop.row = 0;
            drop.speed = 1 + random(3);
            drop.brightness = random(100);
        }
    }
    ++m_matrixTick;
    return drawn;
}

DropChar MatrixRain::drawDropChar(const RainDrop &drop, QChar c, int matrixHeight)
{
    DropChar cells;
    cells.column = drop.column;
    cells.character = c;
    // The erased row wraps modulo matrixHeight + 1 while the head is near the top.
    int r = drop.row - TrailLength;
    if (r < 0)
        r = matrixHeight + 1 - ((-r) % (matrixHeight + 1));
    cells.eraserRow = r % (matrixHeight + 1);
    cells.hasTrail = drop.row > 0;
    cells.trailRow = drop.row - 1;
    cells.trailColour = trailColour(drop.brightness);
    cells.headRow = drop.row;
    cells.headColour = headColour(drop.brightness);
    return cells;
}

namespace {
RainColour green(int b)
{
    return {b * 150 / 255, b, b * 100 / 255};
}
} // namespace

RainColour MatrixRain::headColour(int brightness)
{
    return green(brightness * 255 / 100);
}

RainColour MatrixRain::trailColour(int brightness)
{
    return green(brightness * 255 / 100 / 3);
}
